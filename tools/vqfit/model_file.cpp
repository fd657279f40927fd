// Model files keep the records exactly: doubles are written as the shortest
// decimal that reads back to the same bits, so a saved model applies exactly
// as the fitted one.
#include "parameters.hpp"
#include "point_file.hpp"
#include "record_json.hpp"

#include <cmath>
#include <fstream>
#include <sstream>

namespace vq {

using nlohmann::json;

json record_to_json(const Transform& t) {
    json r = json::object();
    if (t.kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        r["Hel3Dg"] = {{"xm_origen", h.xm_origen}, {"ym_origen", h.ym_origen}, {"zm_origen", h.zm_origen},
                       {"xm_destino", h.xm_destino}, {"ym_destino", h.ym_destino}, {"zm_destino", h.zm_destino},
                       {"escala", h.escala}, {"R", std::vector<double>(h.R, h.R + 9)}};
        return r;
    }
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    r["Trans_Polinomica2D"] = {{"tipo", p.tipo},
                               {"xm_origen", p.xm_origen},
                               {"ym_origen", p.ym_origen},
                               {"x0_destino", p.x0_destino},
                               {"y0_destino", p.y0_destino},
                               {"coef_x", std::vector<double>(p.coef_x, p.coef_x + 9)},
                               {"coef_y", std::vector<double>(p.coef_y, p.coef_y + 9)}};
    if (t.kind == ModelKind::rigid || t.kind == ModelKind::similarity) {
        const Hel2Dg_dbl& h = t.similarity2d;
        r["Hel2Dg"] = {{"xm_origen", h.xm_origen}, {"ym_origen", h.ym_origen}, {"xm_destino", h.xm_destino},
                       {"ym_destino", h.ym_destino}, {"escala", h.escala}, {"cos_giro", h.cos_giro},
                       {"sen_giro", h.sen_giro}};
    }
    return r;
}

std::string model_file_text(const Transform& t) {
    json j;
    j["format"] = "vq-model";
    j["version"] = 2;
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

    double number(const json& object, const char* key, const std::string& where) const {
        const json& v = member(object, key, where);
        if (!v.is_number()) fail(where + "." + key + " is not a number");
        const double d = v.get<double>();
        if (!std::isfinite(d)) fail(where + "." + key + " is not finite");
        return d;
    }

    template <std::size_t N>
    void numbers(const json& object, const char* key, const std::string& where, double (&out)[N]) const {
        const json& v = member(object, key, where);
        if (!v.is_array() || v.size() != N) fail(where + "." + key + " is not an array of " + std::to_string(N) + " numbers");
        for (std::size_t i = 0; i < N; ++i) {
            if (!v[i].is_number()) fail(where + "." + key + "[" + std::to_string(i) + "] is not a number");
            out[i] = v[i].get<double>();
        }
    }

private:
    std::string name_;
};

}  // namespace

Transform parse_model_text(const std::string& text, const std::string& name) {
    const Reader in(name);
    json j;
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        in.fail(std::string("not a valid model file (JSON): ") + e.what());
    }
    if (!j.is_object() || j.value("format", std::string()) != "vq-model")
        in.fail("not a vq model file (\"format\": \"vq-model\" missing)");
    const json& model = in.member(j, "model", "the file");
    if (!model.is_string()) in.fail("\"model\" is not a string");
    const auto kind = model_from_name(model.get<std::string>());
    if (!kind) in.fail("unknown model \"" + model.get<std::string>() + "\"");

    Transform t;
    t.kind = *kind;
    if (const auto y = j.find("y_down"); y != j.end()) {
        if (!y->is_boolean()) in.fail("\"y_down\" is not true or false");
        t.y_down = y->get<bool>();
    }
    if (const auto e = j.find("scale_estimator"); e != j.end()) {
        if (!e->is_string() || (*e != "symmetric" && *e != "least_squares"))
            in.fail("\"scale_estimator\" is neither \"least_squares\" nor \"symmetric\"");
        t.scale = *e == "symmetric" ? ScaleEstimator::symmetric : ScaleEstimator::least_squares;
    }
    const json& record = in.member(j, "record", "the file");
    if (t.kind == ModelKind::similarity3d) {
        const json& h = in.member(record, "Hel3Dg", "record");
        const std::string w = "record.Hel3Dg";
        Hel3Dg_dbl& r = t.similarity3d;
        r.xm_origen = in.number(h, "xm_origen", w);
        r.ym_origen = in.number(h, "ym_origen", w);
        r.zm_origen = in.number(h, "zm_origen", w);
        r.xm_destino = in.number(h, "xm_destino", w);
        r.ym_destino = in.number(h, "ym_destino", w);
        r.zm_destino = in.number(h, "zm_destino", w);
        r.escala = in.number(h, "escala", w);
        in.numbers(h, "R", w, r.R);
    } else {
        const json& p = in.member(record, "Trans_Polinomica2D", "record");
        const std::string w = "record.Trans_Polinomica2D";
        Trans_Polinomica2D_dbl& r = t.polynomial;
        const json& tipo = in.member(p, "tipo", w);
        if (!tipo.is_number_unsigned() || tipo.get<std::uint64_t>() != model_code(t.kind))
            in.fail(w + ".tipo does not match model " + model_name(t.kind));
        r.tipo = model_code(t.kind);
        r.xm_origen = in.number(p, "xm_origen", w);
        r.ym_origen = in.number(p, "ym_origen", w);
        r.x0_destino = in.number(p, "x0_destino", w);
        r.y0_destino = in.number(p, "y0_destino", w);
        in.numbers(p, "coef_x", w, r.coef_x);
        in.numbers(p, "coef_y", w, r.coef_y);
        if (t.kind == ModelKind::rigid || t.kind == ModelKind::similarity) {
            const json& h = in.member(record, "Hel2Dg", "record");
            const std::string hw = "record.Hel2Dg";
            Hel2Dg_dbl& g = t.similarity2d;
            g.xm_origen = in.number(h, "xm_origen", hw);
            g.ym_origen = in.number(h, "ym_origen", hw);
            g.xm_destino = in.number(h, "xm_destino", hw);
            g.ym_destino = in.number(h, "ym_destino", hw);
            g.escala = in.number(h, "escala", hw);
            g.cos_giro = in.number(h, "cos_giro", hw);
            g.sen_giro = in.number(h, "sen_giro", hw);
        }
    }
    if (!t.finite()) in.fail("the record holds non-finite numbers");
    return t;
}

Transform load_model_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InputError(path + ": cannot open model file");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw InputError(path + ": read error");
    return parse_model_text(text.str(), path);
}

}  // namespace vq
