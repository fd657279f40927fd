#include "record_fields.hpp"

#include <cmath>

namespace vq {

namespace {

#define VQ_FIELD(record, member, field, n) \
    RecordField { #record, #field, n, [](Transform& t) -> double* { return &t.member.field[0] + 0; } }
#define VQ_SCALAR(record, member, field) \
    RecordField { #record, #field, 1, [](Transform& t) -> double* { return &t.member.field; } }

const std::vector<RecordField> kPolynomial = {
    VQ_SCALAR(Trans_Polinomica2D, polynomial, xm_origen),  VQ_SCALAR(Trans_Polinomica2D, polynomial, ym_origen),
    VQ_SCALAR(Trans_Polinomica2D, polynomial, x0_destino), VQ_SCALAR(Trans_Polinomica2D, polynomial, y0_destino),
    VQ_FIELD(Trans_Polinomica2D, polynomial, coef_x, 9),   VQ_FIELD(Trans_Polinomica2D, polynomial, coef_y, 9),
};

const std::vector<RecordField> kSimilarity2d = [] {
    std::vector<RecordField> v = kPolynomial;
    v.insert(v.end(), {VQ_SCALAR(Hel2Dg, similarity2d, xm_origen), VQ_SCALAR(Hel2Dg, similarity2d, ym_origen),
                       VQ_SCALAR(Hel2Dg, similarity2d, xm_destino), VQ_SCALAR(Hel2Dg, similarity2d, ym_destino),
                       VQ_SCALAR(Hel2Dg, similarity2d, escala), VQ_SCALAR(Hel2Dg, similarity2d, cos_giro),
                       VQ_SCALAR(Hel2Dg, similarity2d, sen_giro)});
    return v;
}();

const std::vector<RecordField> kSimilarity3d = {
    VQ_SCALAR(Hel3Dg, similarity3d, xm_origen),  VQ_SCALAR(Hel3Dg, similarity3d, ym_origen),
    VQ_SCALAR(Hel3Dg, similarity3d, zm_origen),  VQ_SCALAR(Hel3Dg, similarity3d, xm_destino),
    VQ_SCALAR(Hel3Dg, similarity3d, ym_destino), VQ_SCALAR(Hel3Dg, similarity3d, zm_destino),
    VQ_SCALAR(Hel3Dg, similarity3d, escala),     VQ_FIELD(Hel3Dg, similarity3d, R, 9),
};

#undef VQ_FIELD
#undef VQ_SCALAR

}  // namespace

const std::vector<RecordField>& record_fields(ModelKind kind) {
    switch (kind) {
    case ModelKind::similarity3d: return kSimilarity3d;
    case ModelKind::rigid:
    case ModelKind::similarity: return kSimilarity2d;
    default: return kPolynomial;
    }
}

bool record_finite(const Transform& t) {
    for (const RecordField& f : record_fields(t.kind)) {
        const double* v = f.values(t);
        for (std::size_t i = 0; i < f.count; ++i)
            if (!std::isfinite(v[i])) return false;
    }
    return true;
}

}  // namespace vq
