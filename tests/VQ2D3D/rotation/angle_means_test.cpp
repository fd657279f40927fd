#include "rotation_test_support.hpp"

#include <vector>

namespace {

using namespace rotation_test;

constexpr double kPi = 3.141592653589793;
constexpr double kFullTurn = 6.283185307179597;

// Means of one component (the same values in all three slots).
double mean_of(const std::vector<double>& x) {
    std::vector<Angulos> a;
    for (double v : x) a.push_back({v, v, v});
    const Angulos m = Gmedio(a.data(), static_cast<uint32_t>(a.size()));
    EXPECT_TRUE(same_bits(m.omega, m.fi) && same_bits(m.fi, m.kappa));
    return m.omega;
}

double weighted_mean_of(const std::vector<double>& x, const std::vector<float>& w) {
    std::vector<Angulos> a;
    std::vector<Pesos> p;
    for (size_t i = 0; i < x.size(); ++i) {
        a.push_back({x[i], x[i], x[i]});
        p.push_back({w[i], w[i], w[i]});
    }
    return Gmedio_pesos(a.data(), static_cast<uint32_t>(a.size()), p.data()).kappa;
}

TEST(AngleMeans, JoinsGroupsAcrossTheSeam) {
    const double joined = (3.1 + (-3.1 + kFullTurn)) / 2;
    EXPECT_EQ(mean_of({3.1, -3.1}), joined - kFullTurn);
    EXPECT_LT(mean_of({3.1, -3.1}), -kPi);  // the full turn is longer than 2 pi
    EXPECT_EQ(mean_of({3.0, -3.0, 2.0}), (5 + (-3 + kFullTurn)) / 3);
    EXPECT_EQ(mean_of({3.1, -0.1}), ((3.1 + (-0.1 + kFullTurn)) / 2) - kFullTurn);
}

TEST(AngleMeans, PlainMeanWithoutTheSeam) {
    EXPECT_EQ(mean_of({0.5, -0.5}), 0.0);
    EXPECT_EQ(mean_of({-1.0, 0.0}), -0.5);  // zero joins the non-positive group
    EXPECT_EQ(mean_of({3.0, -0.1}), (3.0 + -0.1) / 2);
    EXPECT_EQ(mean_of({3.1, 3.0, 2.9}), (3.1 + 3.0 + 2.9) / 3);
    EXPECT_EQ(mean_of({-3.1, -3.0}), (-3.1 + -3.0) / 2);
}

TEST(AngleMeans, WeightedMeans) {
    EXPECT_EQ(weighted_mean_of({3.0, -3.0}, {3, 1}), (9 + (-3 + kFullTurn)) / 4);
    EXPECT_EQ(weighted_mean_of({1.0, 2.0}, {1, 3}), 1.75);
    EXPECT_EQ(weighted_mean_of({3.0, -3.0}, {1, 0}), 3.0);  // zero weight: group empty
    const std::vector<double> x = {3.1, -3.1, 2.7, -0.4, 0.0};
    EXPECT_NEAR(weighted_mean_of(x, {1, 1, 1, 1, 1}), mean_of(x), kTolerance);
}

TEST(AngleMeans, WeightsAreSummedInSinglePrecision) {
    // 1 + 2^-30 is 1 in float: the positive group's weight sum stays 1.
    const float tiny = 0x1p-30f;
    EXPECT_EQ(weighted_mean_of({1.0, 1.0}, {1, tiny}), (1.0 + 1.0 * tiny) / 1.0);
}

TEST(AngleMeans, NoTriplesGiveNaN) {
    const Angulos m = Gmedio(nullptr, 0);
    const Angulos w = Gmedio_pesos(nullptr, 0, nullptr);
    for (double v : {m.omega, m.fi, m.kappa, w.omega, w.fi, w.kappa}) EXPECT_TRUE(std::isnan(v));
}

}  // namespace
