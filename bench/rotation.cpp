// Rotation builders and extractors per call, each beside the Eigen conversion
// that starts from the same input:
//   rot_from_angles    MatrizRot_κωφ vs AngleAxisd(fi, y) AngleAxisd(omega, x)
//                      AngleAxisd(kappa, z) turned into a matrix;
//   rot_from_sincos    the MatrizRotGT_* builders vs the product of three axis
//                      matrices (Matrix3d) filled from the same sines and cosines;
//   rot_from_vector20  MatrizRot_20 vs AngleAxisd(|v|, v/|v|).toRotationMatrix();
//   rot_from_vector24  MatrizRot_24 vs the Quaterniond (sqrt(1 - |v/2|^2), v/2);
//   rot_from_vector26  MatrizRot_26 vs the Quaterniond (1, v/2), normalized;
//   rot_from_angles28  MatrizRot_28 vs the Quaterniond with vector part sin(a_i/2),
//                      and vs its own six C-library calls (its bound);
//   rot_to_angles      Gmatriz_ωφκ_seg vs Matrix3d::eulerAngles(2, 1, 0);
//   rot_to_vector24    Gmatriz_24_seg vs the Quaterniond of a matrix;
//   rot_offset         Getoffset_matriz (no counterpart in Eigen).
// Each call takes the next of 1024 prepared inputs, so nothing is constant.
#include "VQ2D3D.h"
#include "bench_support.hpp"

#include <Eigen/Core>
#include <Eigen/Geometry>

#include <array>
#include <cmath>

namespace vq_bench {
namespace {

constexpr std::size_t kInputs = 1024;

struct Inputs {
    std::array<Angulos, kInputs> angles;     // omega, fi, kappa
    std::array<SenCos, kInputs> sincos;      // of the same angles
    std::array<Angulos, kInputs> vectors;    // rotation vectors theta * axis
    std::array<Angulos, kInputs> vectors24;  // 2 sin(theta/2) * axis
    std::array<Angulos, kInputs> vectors26;  // 2 tan(theta/2) * axis
    std::array<Angulos, kInputs> angles28;   // a_i with sin(a_i/2) = sin(theta/2) * axis_i
    std::array<Eigen::Quaterniond, kInputs> quaternions;
    std::array<std::array<double, 9>, kInputs> matrices;  // row by row, R = Rz Ry Rx
};

const Inputs& inputs() {
    static const Inputs in = [] {
        Inputs in;
        auto g = generator(0x0707);
        for (std::size_t i = 0; i < kInputs; ++i) {
            const double om = uniform(g, -3.1, 3.1), fi = uniform(g, -1.5, 1.5),
                         ka = uniform(g, -3.1, 3.1);
            in.angles[i] = {om, fi, ka};
            in.sincos[i] = {std::sin(om), std::cos(om), std::sin(fi), std::cos(fi),
                            std::sin(ka), std::cos(ka)};
            const Eigen::Vector3d axis = Eigen::Vector3d(uniform(g, -1, 1), uniform(g, -1, 1),
                                                         uniform(g, -1, 1)).normalized();
            const double theta = uniform(g, 0.01, 3.1);
            const auto scaled = [&](double f) { return Angulos{f * axis.x(), f * axis.y(), f * axis.z()}; };
            in.vectors[i] = scaled(theta);
            in.vectors24[i] = scaled(2 * std::sin(theta / 2));
            in.vectors26[i] = scaled(2 * std::tan(theta / 2));
            const Angulos q = scaled(std::sin(theta / 2));
            in.angles28[i] = {2 * std::asin(q.omega), 2 * std::asin(q.fi), 2 * std::asin(q.kappa)};
            in.quaternions[i] = Eigen::Quaterniond(Eigen::AngleAxisd(theta, axis));
            const Eigen::Matrix3d R = (Eigen::AngleAxisd(ka, Eigen::Vector3d::UnitZ()) *
                                       Eigen::AngleAxisd(fi, Eigen::Vector3d::UnitY()) *
                                       Eigen::AngleAxisd(om, Eigen::Vector3d::UnitX())).toRotationMatrix();
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) in.matrices[i][3 * r + c] = R(r, c);
        }
        return in;
    }();
    return in;
}

using RowMajor3 = Eigen::Matrix<double, 3, 3, Eigen::RowMajor>;

// Registers a per-call benchmark: `call(i, out)` works on input i into out.
template <class Call>
void per_call(const std::string& workload, const std::string& implementation, Call call) {
    add(name(workload, implementation), [call](benchmark::State& state) {
        inputs();
        std::size_t i = 0;
        alignas(32) double out[9];
        for (auto _ : state) {
            call(i, out);
            benchmark::DoNotOptimize(out);
            benchmark::ClobberMemory();
            i = (i + 1) % kInputs;
        }
    })->Unit(benchmark::kNanosecond);
}

void store(const Eigen::Matrix3d& R, double* out) {
    Eigen::Map<RowMajor3> m(out);
    m = R;
}
void store(const Angulos& a, double* out) { out[0] = a.omega, out[1] = a.fi, out[2] = a.kappa; }

Eigen::Matrix3d about_x(double s, double c) {
    Eigen::Matrix3d m;
    m << 1, 0, 0, 0, c, -s, 0, s, c;
    return m;
}
Eigen::Matrix3d about_y(double s, double c) {
    Eigen::Matrix3d m;
    m << c, 0, s, 0, 1, 0, -s, 0, c;
    return m;
}
Eigen::Matrix3d about_z(double s, double c) {
    Eigen::Matrix3d m;
    m << c, -s, 0, s, c, 0, 0, 0, 1;
    return m;
}

Eigen::Quaterniond from_vector_part(const Eigen::Vector3d& v) {
    const double w = std::sqrt(1.0 - v.squaredNorm());
    return Eigen::Quaterniond(w, v.x(), v.y(), v.z());
}

}  // namespace

void register_workloads() {
    const Inputs& in = inputs();
    const Eigen::Vector3d X = Eigen::Vector3d::UnitX(), Y = Eigen::Vector3d::UnitY(),
                          Z = Eigen::Vector3d::UnitZ();
    const auto vector = [](const Angulos& a) { return Eigen::Vector3d(a.omega, a.fi, a.kappa); };

    per_call("rot_from_angles", "MatrizRot_κωφ", [&](std::size_t i, double* R) { MatrizRot_κωφ(in.angles[i], R); });
    per_call("rot_from_angles", "eigen_angleaxis_product", [&](std::size_t i, double* R) {
        const Angulos& a = in.angles[i];
        store((Eigen::AngleAxisd(a.fi, Y) * Eigen::AngleAxisd(a.omega, X) *
               Eigen::AngleAxisd(a.kappa, Z)).toRotationMatrix(), R);
    });

    per_call("rot_from_sincos", "MatrizRotGT_ωφκ", [&](std::size_t i, double* R) { MatrizRotGT_ωφκ(in.sincos[i], R); });
    per_call("rot_from_sincos", "MatrizRotGT_κωφ", [&](std::size_t i, double* R) { MatrizRotGT_κωφ(in.sincos[i], R); });
    per_call("rot_from_sincos", "MatrizRotGT_κwκ", [&](std::size_t i, double* R) { MatrizRotGT_κwκ(in.sincos[i], R); });
    per_call("rot_from_sincos", "eigen_axis_matrices", [&](std::size_t i, double* R) {
        const SenCos& sc = in.sincos[i];
        store(about_z(sc.sen_kappa, sc.cos_kappa) * about_y(sc.sen_fi, sc.cos_fi) *
              about_x(sc.sen_omega, sc.cos_omega), R);
    });

    per_call("rot_from_vector20", "MatrizRot_20", [&](std::size_t i, double* R) { MatrizRot_20(in.vectors[i], R); });
    per_call("rot_from_vector20", "eigen_angleaxis", [&](std::size_t i, double* R) {
        const Eigen::Vector3d v = vector(in.vectors[i]);
        const double theta = v.norm();
        store(Eigen::AngleAxisd(theta, v / theta).toRotationMatrix(), R);
    });

    per_call("rot_from_vector24", "MatrizRot_24", [&](std::size_t i, double* R) { MatrizRot_24(in.vectors24[i], R); });
    per_call("rot_from_vector24", "eigen_quaternion", [&](std::size_t i, double* R) {
        store(from_vector_part(0.5 * vector(in.vectors24[i])).toRotationMatrix(), R);
    });

    per_call("rot_from_vector26", "MatrizRot_26", [&](std::size_t i, double* R) { MatrizRot_26(in.vectors26[i], R); });
    per_call("rot_from_vector26", "eigen_quaternion", [&](std::size_t i, double* R) {
        const Eigen::Vector3d h = 0.5 * vector(in.vectors26[i]);
        store(Eigen::Quaterniond(1.0, h.x(), h.y(), h.z()).normalized().toRotationMatrix(), R);
    });

    per_call("rot_from_angles28", "MatrizRot_28", [&](std::size_t i, double* R) { MatrizRot_28(in.angles28[i], R); });
    // MatrizRot_28 makes six C-library calls (cos of each angle, sin of each
    // half angle); they alone bound it, whatever the arithmetic around them.
    per_call("rot_from_angles28", "libm_calls", [&](std::size_t i, double* R) {
        const Angulos& a = in.angles28[i];
        R[0] = std::cos(a.omega), R[1] = std::cos(a.fi), R[2] = std::cos(a.kappa);
        R[3] = std::sin(0.5 * a.omega), R[4] = std::sin(0.5 * a.fi), R[5] = std::sin(0.5 * a.kappa);
    });
    per_call("rot_from_angles28", "eigen_quaternion", [&](std::size_t i, double* R) {
        const Angulos& a = in.angles28[i];
        const Eigen::Vector3d q(std::sin(0.5 * a.omega), std::sin(0.5 * a.fi), std::sin(0.5 * a.kappa));
        store(from_vector_part(q).toRotationMatrix(), R);
    });

    per_call("rot_to_angles", "Gmatriz_ωφκ_seg", [&](std::size_t i, double* out) {
        store(Gmatriz_ωφκ_seg(in.matrices[i].data()), out);
    });
    per_call("rot_to_angles", "eigen_euler_angles", [&](std::size_t i, double* out) {
        const Eigen::Vector3d e = Eigen::Map<const RowMajor3>(in.matrices[i].data()).eulerAngles(2, 1, 0);
        out[0] = e[2], out[1] = e[1], out[2] = e[0];
    });

    per_call("rot_to_vector24", "Gmatriz_24_seg", [&](std::size_t i, double* out) {
        store(Gmatriz_24_seg(in.matrices[i].data()), out);
    });
    per_call("rot_to_vector24", "eigen_quaternion_from_matrix", [&](std::size_t i, double* out) {
        const Eigen::Quaterniond q(Eigen::Matrix3d(Eigen::Map<const RowMajor3>(in.matrices[i].data())));
        out[0] = 2 * q.x(), out[1] = 2 * q.y(), out[2] = 2 * q.z(), out[3] = q.w();
    });

    per_call("rot_offset", "Getoffset_matriz", [&](std::size_t i, double* out) {
        int32_t offset = 0;
        store(Getoffset_matriz(in.matrices[i].data(), Gmatriz_ωφκ_seg, &offset), out);
        out[3] = offset;
    });
}

}  // namespace vq_bench
