// Conversions between the rotation conventions of the library:
//   opk    omega, phi, kappa with R = Rz(kappa) Ry(phi) Rx(omega)
//   kop    omega, phi, kappa with R = Ry(phi) Rx(omega) Rz(kappa)
//   v20    rotation vector theta * n                (angle unit)
//   v24    2 sin(theta/2) n, twice the quaternion's vector part
//   v26    2 tan(theta/2) n, the Cayley (Gibbs) form
//   v28    per-axis angles a_i with sin(a_i / 2) = q_i   (angle unit)
//   matrix nine elements row by row, applied to column vectors
//   proj-pv PROJ's helmert rx ry rz, +convention=position_vector, arc seconds:
//           R = Rx(rx) Ry(ry) Rz(rz)
//   proj-cf PROJ's helmert rx ry rz, +convention=coordinate_frame, arc seconds:
//           R = (Rx(rx) Ry(ry) Rz(rz))^T, the same rotation with the signs
//           of all three angles changed to first order
// (Rx, Ry, Rz turn counterclockwise about fixed axes; PROJ's +exact uses these
// matrices, without it their first-order approximation.) The PROJ forms are
// always in arc seconds, PROJ's unit, whatever the angle unit asked for.
#pragma once

#include "errors.hpp"

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vq {

enum class RotationForm { opk, kop, v20, v24, v26, v28, matrix, proj_pv, proj_cf };
enum class AngleUnit { degrees, radians, gon, arcseconds };

// Values that describe no rotation; they come from the command line (exit 2).
class RotationError : public UsageError {
public:
    using UsageError::UsageError;
};

using Matrix3 = std::array<double, 9>;

const std::vector<std::string>& rotation_form_names();
std::optional<RotationForm> rotation_form_from_name(const std::string& name);
const char* rotation_form_name(RotationForm form);
bool form_has_angle_unit(RotationForm form);  // opk, kop, v20, v28 (the PROJ forms: arc seconds)
std::size_t form_size(RotationForm form);     // 3, or 9 for the matrix
bool is_proj_form(RotationForm form);         // proj-pv, proj-cf (arc seconds)

// The rotation matrix from values in `form` (angles in `unit`). Throws
// RotationError when the values describe no rotation.
Matrix3 rotation_matrix(RotationForm form, const std::vector<double>& values, AngleUnit unit);

// The values of R in `form`, or nothing where the form is undefined (v26 at a half turn).
std::optional<std::vector<double>> rotation_values(RotationForm form, const Matrix3& R, AngleUnit unit);

}  // namespace vq
