// The numbers of a fitted transformation's records, listed once: the model
// file writes and reads them from this table, and a record is finite when
// every number listed for its model is.
#pragma once

#include "models.hpp"

#include <cstddef>
#include <vector>

namespace vq {

struct RecordField {
    const char* record;  // "Trans_Polinomica2D", "Hel2Dg" or "Hel3Dg"
    const char* name;    // the record's field name
    std::size_t count;   // 1, or the length of an array (coef_x: 9, R: 9)
    double* (*at)(Transform&);
    const double* values(const Transform& t) const { return at(const_cast<Transform&>(t)); }
};

// The fields the model `kind` uses, record by record. (The polynomial's
// `tipo` is not listed: it is the model code, not a number of the fit.)
const std::vector<RecordField>& record_fields(ModelKind kind);

// True when every listed number of t's records is finite.
bool record_finite(const Transform& t);

}  // namespace vq
