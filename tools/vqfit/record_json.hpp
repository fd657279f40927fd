// The library's records as JSON, and the model file (docs/model-file.md): a
// JSON document
//   {"format": "vq-model", "version": 2, "model": "<name>", "dimension": 2|3,
//    "scale_estimator": "least_squares"|"symmetric" (similarity models),
//    "y_down": true|false (2D models: source rows count down),
//    "record": {<Trans_Polinomica2D, Hel2Dg and/or Hel3Dg fields>},
//    "parameters": {...}}   (parameters are informational; loading reads the record)
#pragma once

#include "models.hpp"

#include <nlohmann/json.hpp>
#include <string>

namespace vq {

// The version written; every version from 1 up to it is read (version 1 has
// no scale_estimator and no y_down).
constexpr int kModelFileVersion = 2;

nlohmann::json record_to_json(const Transform& t);

// The model-file document for t.
std::string model_file_text(const Transform& t);

// Reads a model file ("-": standard input); throws InputError naming the
// file and the field on any problem.
Transform load_model_file(const std::string& path);

// Parses model-file text (name is used in messages).
Transform parse_model_text(const std::string& text, const std::string& name);

}  // namespace vq
