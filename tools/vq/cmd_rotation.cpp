// vq rotation: one rotation in every convention of the library.
#include "commands.hpp"
#include "report.hpp"
#include "rotation_convert.hpp"

#include <nlohmann/json.hpp>

namespace vq {

namespace {

const char* describe(RotationForm form) {
    switch (form) {
    case RotationForm::opk: return "omega phi kappa, R = Rz(kappa) Ry(phi) Rx(omega)";
    case RotationForm::kop: return "omega phi kappa, R = Ry(phi) Rx(omega) Rz(kappa)";
    case RotationForm::v20: return "rotation vector theta n";
    case RotationForm::v24: return "2 sin(theta/2) n";
    case RotationForm::v26: return "2 tan(theta/2) n";
    case RotationForm::v28: return "per-axis angles, sin(a_i/2) = q_i";
    case RotationForm::matrix: return "matrix, row by row";
    case RotationForm::proj_pv: return "PROJ helmert rx ry rz, position_vector, R = Rx Ry Rz";
    case RotationForm::proj_cf: return "PROJ helmert rx ry rz, coordinate_frame, R = (Rx Ry Rz)^T";
    }
    return "";
}

}  // namespace

std::string run_rotation(const RotationArgs& args) {
    const auto from = rotation_form_from_name(args.from);
    if (!from) throw RotationError("unknown form '" + args.from + "'");
    AngleUnit unit = AngleUnit::degrees;
    if (args.unit == "rad") unit = AngleUnit::radians;
    else if (args.unit == "gon") unit = AngleUnit::gon;
    else if (args.unit == "arcsec") unit = AngleUnit::arcseconds;
    else if (args.unit != "deg") throw RotationError("unknown unit '" + args.unit + "' (deg, rad or gon)");

    std::vector<RotationForm> targets;
    for (const auto& name : args.to) {
        const auto f = rotation_form_from_name(name);
        if (!f) throw RotationError("unknown form '" + name + "'");
        targets.push_back(*f);
    }
    if (targets.empty())
        for (const auto& name : rotation_form_names()) targets.push_back(*rotation_form_from_name(name));

    const Matrix3 R = rotation_matrix(*from, args.values, unit);
    auto format = [&](double v) { return args.decimals < 0 ? shortest(v) : fixed(v, args.decimals); };

    nlohmann::json j = nlohmann::json::object();
    std::string out;
    for (RotationForm form : targets) {
        const auto values = rotation_values(form, R, unit);
        const std::string unit_note = form_has_angle_unit(form) ? " [" + args.unit + "]"
                                      : is_proj_form(form)      ? " [arcsec]"
                                                                : "";
        if (args.json) {
            j[rotation_form_name(form)] = values ? nlohmann::json(*values) : nlohmann::json(nullptr);
            continue;
        }
        out += std::string(rotation_form_name(form)) + " (" + describe(form) + ")" + unit_note + ":";
        if (!values) {
            out += " undefined for a half turn\n";
            continue;
        }
        if (form == RotationForm::matrix) {
            for (int row = 0; row < 3; ++row) {
                out += "\n ";
                for (int col = 0; col < 3; ++col) out += " " + format((*values)[3 * row + col]);
            }
        } else {
            for (double v : *values) out += " " + format(v);
        }
        out += "\n";
    }
    if (args.json) {
        j["unit"] = args.unit;
        out = j.dump(2) + "\n";
    }
    return out;
}

}  // namespace vq
