// Model files keep the records exactly: doubles are written as the shortest
// decimal that reads back to the same bits, so a saved model applies exactly
// as the fitted one. Reading checks everything a hand-edited or foreign file
// can get wrong (version, types, ranges, a rotation that is no rotation) and
// names the file and the field; docs/model-file.md describes the format.
#include "parameters.hpp"
#include "point_file.hpp"
#include "record_fields.hpp"
#include "record_json.hpp"

#include <cmath>
#include <cstdio>

namespace vq {

using nlohmann::json;

json record_to_json(const Transform& t) {
    json r = json::object();
    for (const RecordField& f : record_fields(t.kind)) {
        const double* v = f.values(t);
        r[f.record][f.name] = f.count == 1 ? json(v[0]) : json(std::vector<double>(v, v + f.count));
    }
    if (t.kind != ModelKind::similarity3d) r["Trans_Polinomica2D"]["tipo"] = t.polynomial.tipo;
    return r;
}

std::string model_file_text(const Transform& t) {
    json j;
    j["format"] = "vq-model";
    j["version"] = kModelFileVersion;
    j["model"] = model_name(t.kind);
    j["dimension"] = t.dimension();
    if (t.kind == ModelKind::similarity || t.kind == ModelKind::similarity3d)
        j["scale_estimator"] = t.scale == ScaleEstimator::symmetric ? "symmetric" : "least_squares";
    if (t.dimension() == 2) j["y_down"] = t.y_down;
    j["record"] = record_to_json(t);
    json params = json::object();
    for (const Parameter& p : describe_parameters(t))
        params[p.key] = p.values.size() == 1 ? json(p.values[0]) : json(p.values);
    j["parameters"] = params;
    return j.dump(2) + "\n";
}

namespace {

// A stored rotation is orthonormal to rounding (the estimator's are within
// 1e-15); anything further off was edited or damaged, and its transpose
// would no longer be its inverse.
constexpr double kRotationTolerance = 1e-9;

class Reader {
public:
    explicit Reader(const std::string& name) : name_(name) {}

    [[noreturn]] void fail(const std::string& what) const { throw InputError(name_ + ": " + what); }

    const json& member(const json& object, const char* key, const std::string& where) const {
        if (!object.is_object()) fail(where + " is not an object");
        const auto it = object.find(key);
        if (it == object.end()) fail(where + " has no \"" + key + "\"");
        return *it;
    }

    void numbers(const json& object, const RecordField& f, double* out) const {
        const std::string where = std::string("record.") + f.record + "." + f.name;
        const json& v = member(object, f.name, std::string("record.") + f.record);
        if (f.count == 1) {
            if (!v.is_number()) fail(where + " is not a number");
            out[0] = v.get<double>();
        } else {
            if (!v.is_array() || v.size() != f.count)
                fail(where + " is not an array of " + std::to_string(f.count) + " numbers");
            for (std::size_t i = 0; i < f.count; ++i) {
                if (!v[i].is_number()) fail(where + "[" + std::to_string(i) + "] is not a number");
                out[i] = v[i].get<double>();
            }
        }
        for (std::size_t i = 0; i < f.count; ++i)
            if (!std::isfinite(out[i])) fail(where + " is not finite");
    }

    std::string name_;
};

// "[json.exception.parse_error.101] parse error at line 1, column 5: syntax
// error ..." -> the location from the byte offset and the words after it.
[[noreturn]] void json_failure(const std::string& name, const std::string& text, const json::exception& e) {
    std::string what = e.what();
    if (const std::size_t close = what.find("] "); close != std::string::npos) what = what.substr(close + 2);
    std::size_t offset = std::string::npos;
    if (const auto* p = dynamic_cast<const json::parse_error*>(&e)) {
        offset = p->byte > 0 ? p->byte - 1 : 0;
        if (const std::size_t colon = what.find(": "); colon != std::string::npos) what = what.substr(colon + 2);
    } else if (const std::size_t quote = what.find('\''); quote != std::string::npos) {
        // "number overflow parsing '1e400'": the number's own place in the text.
        const std::size_t end = what.find('\'', quote + 1);
        if (end != std::string::npos) offset = text.find(what.substr(quote + 1, end - quote - 1));
    }
    if (offset == std::string::npos || offset > text.size())
        throw InputError(name + ": not a valid model file (JSON): " + what);
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    fail_at(name, line, column, "not a valid model file (JSON): " + what);
}

void check_rotation(const Reader& in, const double* R) {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double dot = R[3 * i] * R[3 * j] + R[3 * i + 1] * R[3 * j + 1] + R[3 * i + 2] * R[3 * j + 2];
            worst = std::fmax(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    const double det = R[0] * (R[4] * R[8] - R[5] * R[7]) - R[1] * (R[3] * R[8] - R[5] * R[6]) +
                       R[2] * (R[3] * R[7] - R[4] * R[6]);
    if (!(worst <= kRotationTolerance) || !(det > 0.0)) {
        char detail[96];
        std::snprintf(detail, sizeof detail, " (R R^T differs from I by %.3g, det R = %.17g)", worst, det);
        in.fail(std::string("record.Hel3Dg.R is not a rotation") + detail);
    }
}

void read_header(const Reader& in, const json& j, Transform& t) {
    if (!j.is_object()) in.fail("not a vq model file (the document is not a JSON object)");
    const auto format = j.find("format");
    if (format == j.end() || !format->is_string() || *format != "vq-model")
        in.fail("not a vq model file (\"format\": \"vq-model\" missing)");
    const json& version = in.member(j, "version", "the file");
    if (!version.is_number_integer()) in.fail("\"version\" is not a whole number");
    if (version.get<std::int64_t>() < 1 || version.get<std::int64_t>() > kModelFileVersion)
        in.fail("model file version " + version.dump() + " is not supported (this vq reads versions 1 to " +
                std::to_string(kModelFileVersion) + ")");
    const json& model = in.member(j, "model", "the file");
    if (!model.is_string()) in.fail("\"model\" is not a string");
    const auto kind = model_from_name(model.get<std::string>());
    if (!kind) in.fail("unknown model \"" + model.get<std::string>() + "\"");
    t.kind = *kind;
    if (const auto d = j.find("dimension"); d != j.end()) {
        if (!d->is_number_integer() || d->get<std::int64_t>() != t.dimension())
            in.fail("\"dimension\" is " + d->dump() + ", but model " + model_name(t.kind) + " is " +
                    std::to_string(t.dimension()) + "D");
    }
    if (const auto y = j.find("y_down"); y != j.end()) {
        if (!y->is_boolean()) in.fail("\"y_down\" is not true or false");
        t.y_down = y->get<bool>();
        if (t.y_down && t.dimension() != 2) in.fail("\"y_down\" is true for a 3D model");
    }
    if (const auto e = j.find("scale_estimator"); e != j.end()) {
        if (!e->is_string() || (*e != "symmetric" && *e != "least_squares"))
            in.fail("\"scale_estimator\" is neither \"least_squares\" nor \"symmetric\"");
        t.scale = *e == "symmetric" ? ScaleEstimator::symmetric : ScaleEstimator::least_squares;
    }
}

}  // namespace

Transform parse_model_text(const std::string& text, const std::string& name) {
    const Reader in(name);
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception& e) {
        json_failure(name, text, e);
    }
    Transform t;
    read_header(in, j, t);
    const json& record = in.member(j, "record", "the file");
    for (const RecordField& f : record_fields(t.kind))
        in.numbers(in.member(record, f.record, "record"), f, f.at(t));
    if (t.kind == ModelKind::similarity3d) {
        if (!(t.similarity3d.escala > 0.0)) in.fail("record.Hel3Dg.escala is not positive");
        check_rotation(in, t.similarity3d.R);
    } else {
        const json& tipo = in.member(record["Trans_Polinomica2D"], "tipo", "record.Trans_Polinomica2D");
        if (!tipo.is_number_unsigned() || tipo.get<std::uint64_t>() != model_code(t.kind))
            in.fail("record.Trans_Polinomica2D.tipo does not match model " + std::string(model_name(t.kind)));
        t.polynomial.tipo = model_code(t.kind);
        if ((t.kind == ModelKind::rigid || t.kind == ModelKind::similarity) && !(t.similarity2d.escala > 0.0))
            in.fail("record.Hel2Dg.escala is not positive");
    }
    return t;
}

Transform load_model_file(const std::string& path) {
    return parse_model_text(read_all(path), display_name(path));
}

}  // namespace vq
