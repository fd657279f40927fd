// 3D similarity estimator: start choice, number of refinement passes, scale
// and rotation on exact data, in-place reduction, cofactors, degenerate sets
// and agreement with an independent least-squares rotation on noisy data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "pair_sets.hpp"
#include "support/bits.hpp"
#include "similarity3d_fit.hpp"

namespace {

using vq_test::Mat3;
using vq_test::PairSet;
using vq_test::Twin;
using vq_test::Vec3;

const Vec3 kShift = {1000, -250, 40};

Mat3 cube_rotation() {
    return vq_test::product(vq_test::rot_z(2),
                            vq_test::product(vq_test::rot_y(0.3), vq_test::rot_x(0.5)));
}

template <class T>
struct Fit {
    typename Twin<T>::Record record{};
    float cofactors[9] = {};
    int passes = -1;
    int32_t status = -1;
};

template <class T>
Fit<T> run(const PairSet<T>& set, int32_t afin, int32_t in_place = 0) {
    Fit<T> f;
    f.status = vq::fit_similarity3d(set.pointers(), set.n(), &f.record, afin, in_place,
                                    f.cofactors, &f.passes);
    return f;
}

template <class T>
::testing::AssertionResult same_bits(const Fit<T>& a, const Fit<T>& b) {
    auto records = vq_test::same_record<T>(a.record, b.record);
    if (!records) return records << " (record)";
    return vq_test::same_bits(a.cofactors, b.cofactors, 9) << " (cofactors)";
}

template <class T>
class Similarity3dFit : public ::testing::Test {
protected:
    // Exact data reproduce the generating rotation to the twin's rounding; the
    // double twin's last correction comes from float equations.
    static constexpr double kTolerance = std::is_same<T, float>::value ? 2e-5 : 1e-7;
    void expect_rotation(const Fit<T>& f, const Mat3& R) {
        EXPECT_LT(vq_test::max_difference(f.record.R, R), kTolerance);
    }
};
using Twins = ::testing::Types<float, double>;
TYPED_TEST_SUITE(Similarity3dFit, Twins);

TYPED_TEST(Similarity3dFit, GeneralStartNeedsNinePairs) {
    using T = TypeParam;
    std::vector<Vec3> points = vq_test::cube_points();
    points.resize(8);
    const PairSet<T> eight = vq_test::make_pairs<T>(points, cube_rotation(), 1.2, kShift);
    EXPECT_TRUE(same_bits(run(eight, 1), run(eight, 0)));

    points = vq_test::cube_points();
    points.resize(9);
    const PairSet<T> nine = vq_test::make_pairs<T>(points, cube_rotation(), 1.2, kShift);
    const Fit<T> general = run(nine, 1), planimetric = run(nine, 0);
    EXPECT_EQ(general.passes, 1);
    EXPECT_GT(planimetric.passes, 1);
    EXPECT_FALSE(same_bits(general, planimetric));
}

TYPED_TEST(Similarity3dFit, RotationAboutZStopsAfterOnePass) {
    using T = TypeParam;
    const Mat3 R = vq_test::rot_z(0.7);
    const Fit<T> f = run(vq_test::make_pairs<T>(vq_test::cube_points(), R, 1.5, kShift), 0);
    EXPECT_EQ(f.status, 0);
    EXPECT_EQ(f.passes, 1);
    EXPECT_NEAR(f.record.escala, 1.5, this->kTolerance);
    this->expect_rotation(f, R);
}

TYPED_TEST(Similarity3dFit, CubeRotationPassesByStart) {
    using T = TypeParam;
    const PairSet<T> set =
        vq_test::make_pairs<T>(vq_test::cube_points(), cube_rotation(), 0.8, kShift);
    const Fit<T> planimetric = run(set, 0), general = run(set, 1);
    EXPECT_EQ(planimetric.passes, 3);
    EXPECT_EQ(general.passes, 1);
    for (const Fit<T>* f : {&planimetric, &general}) {
        EXPECT_EQ(f->status, 0);
        EXPECT_NEAR(f->record.escala, 0.8, this->kTolerance);
        this->expect_rotation(*f, cube_rotation());
    }
    // The centroids do not depend on the start.
    EXPECT_EQ(0, std::memcmp(&planimetric.record, &general.record, 7 * sizeof(T)));
}

TYPED_TEST(Similarity3dFit, QuarterTurnAboutXIsOutOfPlanimetricReach) {
    using T = TypeParam;
    const Mat3 R = vq_test::rot_x(2 * std::atan(1.0));  // a quarter turn
    const PairSet<T> set = vq_test::make_pairs<T>(vq_test::cube_points(), R, 2, kShift);
    const Fit<T> planimetric = run(set, 0), general = run(set, 1);
    EXPECT_EQ(planimetric.status, 0);
    EXPECT_EQ(planimetric.passes, vq::kMaxRefinementPasses);
    EXPECT_GT(vq_test::max_difference(planimetric.record.R, R), 0.01);
    EXPECT_EQ(general.passes, 1);
    this->expect_rotation(general, R);
}

TYPED_TEST(Similarity3dFit, InPlaceReductionMatchesWorkBuffer) {
    using T = TypeParam;
    const PairSet<T> original =
        vq_test::make_pairs<T>(vq_test::cube_points(), cube_rotation(), 0.8, kShift, 0.05);
    for (int32_t afin : {0, 1}) {
        PairSet<T> kept(original), reduced(original);
        const Fit<T> buffered = run(kept, afin), in_place = run(reduced, afin, 1);
        EXPECT_TRUE(same_bits(buffered, in_place));
        EXPECT_EQ(kept.coords(), original.coords());
        const auto& r = in_place.record;
        const T source_mean[3] = {r.xm_origen, r.ym_origen, r.zm_origen};
        const T destination_mean[3] = {r.xm_destino, r.ym_destino, r.zm_destino};
        PairSet<T> expected(original);
        for (uint32_t i = 0; i < expected.n(); ++i)
            for (int c = 0; c < 3; ++c) {
                expected.source(i)[c] = expected.source(i)[c] - source_mean[c];
                expected.destination(i)[c] = expected.destination(i)[c] - destination_mean[c];
            }
        EXPECT_EQ(reduced.coords(), expected.coords());
    }
}

TYPED_TEST(Similarity3dFit, CofactorsAreOptionalAndSymmetric) {
    using T = TypeParam;
    const PairSet<T> set =
        vq_test::make_pairs<T>(vq_test::cube_points(), cube_rotation(), 0.8, kShift, 0.05);
    typename Twin<T>::Record without{}, with{};
    ASSERT_EQ(Twin<T>::fit(set.pointers(), set.n(), &without, 1, 0, nullptr), 0);
    float guarded[11];
    for (float& v : guarded) v = 12345.0f;
    ASSERT_EQ(Twin<T>::fit(set.pointers(), set.n(), &with, 1, 0, guarded + 1), 0);
    EXPECT_EQ(0, std::memcmp(&with, &without, sizeof with));
    EXPECT_EQ(guarded[0], 12345.0f);
    EXPECT_EQ(guarded[10], 12345.0f);
    const float* Q = guarded + 1;
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(Q[4 * i], 0.0f);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(Q[3 * i + j], Q[3 * j + i]);
    }
    // Same cofactors as the white-box fit.
    EXPECT_EQ(0, std::memcmp(Q, run(set, 1).cofactors, 9 * sizeof(float)));
}

TYPED_TEST(Similarity3dFit, CoplanarSourceMakesGeneralStartNaN) {
    using T = TypeParam;
    std::vector<Vec3> flat;
    for (int i = 0; i < 10; ++i) flat.push_back({double(i % 4), double(i * 7 % 5), 5});
    const PairSet<T> set = vq_test::make_pairs<T>(flat, cube_rotation(), 1.1, kShift);
    const Fit<T> general = run(set, 1), planimetric = run(set, 0);
    EXPECT_EQ(general.status, 0);
    for (T v : general.record.R) EXPECT_TRUE(std::isnan(v));
    for (T v : planimetric.record.R) EXPECT_TRUE(std::isfinite(v));
}

TYPED_TEST(Similarity3dFit, SwappedSetsGiveReciprocalScale) {
    using T = TypeParam;
    const PairSet<T> set =
        vq_test::make_pairs<T>(vq_test::cube_points(), cube_rotation(), 0.8, kShift, 0.1);
    const Fit<T> forward = run(set, 1), backward = run(set.swapped(), 1);
    EXPECT_NEAR(double(forward.record.escala) * double(backward.record.escala), 1.0,
                this->kTolerance);
}

TYPED_TEST(Similarity3dFit, NoPairsGiveNonFiniteRecord) {
    using T = TypeParam;
    const PairSet<T> none(0);
    for (int32_t in_place : {0, 1}) {
        const Fit<T> f = run(none, 1, in_place);
        EXPECT_EQ(f.status, 0);
        EXPECT_TRUE(std::isnan(f.record.xm_origen));
        EXPECT_TRUE(std::isnan(f.record.zm_destino));
        EXPECT_FALSE(std::isfinite(f.record.R[0]));
    }
}

TYPED_TEST(Similarity3dFit, NoisyDataMatchLeastSquaresRotation) {
    using T = TypeParam;
    // Converged rotation against the independent optimum; the float correction
    // equations bound the agreement of the double twin too.
    constexpr double kLeastSquaresTolerance = std::is_same<T, float>::value ? 1e-6 : 1e-7;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coordinate(-50, 50), angle(-0.4, 0.4);
    for (unsigned trial = 0; trial < 20; ++trial) {
        std::vector<Vec3> points(30);
        for (Vec3& p : points) p = {coordinate(rng), coordinate(rng), coordinate(rng)};
        const Mat3 R = vq_test::product(vq_test::rot_z(3 * angle(rng)),
                                        vq_test::product(vq_test::rot_y(angle(rng)),
                                                         vq_test::rot_x(angle(rng))));
        const PairSet<T> set = vq_test::make_pairs<T>(points, R, 1.3, kShift, 0.5, trial);
        const Mat3 best = vq_test::least_squares_rotation(set);
        for (int32_t afin : {0, 1}) {
            const Fit<T> f = run(set, afin);
            EXPECT_LT(f.passes, vq::kMaxRefinementPasses);
            EXPECT_LT(vq_test::max_difference(f.record.R, best), kLeastSquaresTolerance)
                << "trial " << trial << " afin " << afin;
        }
    }
}

TEST(LeastSquaresReference, ReproducesExactRotation) {
    const PairSet<double> set =
        vq_test::make_pairs<double>(vq_test::cube_points(), cube_rotation(), 2.5, kShift);
    EXPECT_LT(vq_test::max_difference(vq_test::least_squares_rotation(set), cube_rotation()),
              1e-12);
}

}  // namespace
