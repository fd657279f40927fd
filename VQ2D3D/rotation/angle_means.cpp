// Component-wise means of angle triples across the +-pi seam. Each component
// is summed in two groups, positive values and the rest (zero included); when
// the group means lie more than pi apart the non-positive group is taken to
// lie beyond +pi (its mean shifted up by a full turn), and a joined mean above
// pi is brought back down by a full turn. Inputs are not normalised first.
// The plain mean counts values (unsigned); the weighted one sums float weights
// in float and forms every other quantity in double.
#include "rotation_internal.hpp"

namespace vq {
namespace {

// The two groups of one component. Size is the group size: a count, or a
// single-precision sum of weights.
template <class Size>
struct SeamGroups {
    double sum_positive = 0, sum_rest = 0;
    Size size_positive = 0, size_rest = 0;

    void add(double x, double term, Size size) {
        if (x > 0) {
            sum_positive += term;
            size_positive += size;
        } else {
            sum_rest += term;
            size_rest += size;
        }
    }
};

// Joins two non-empty groups; total divides the joined sum.
double join_across_seam(double sum_positive, double size_positive, double sum_rest,
                        double size_rest, double total) {
    double mean_rest = sum_rest / size_rest;
    if (sum_positive / size_positive - mean_rest > kPi) mean_rest += kFullTurn;
    double mean = (sum_positive + mean_rest * size_rest) / total;
    if (mean > kPi) mean -= kFullTurn;
    return mean;
}

double plain_mean(const SeamGroups<uint32_t>& g, uint32_t n) {
    const double count = static_cast<double>(n);
    if (g.size_rest == 0) return g.sum_positive / count;
    if (g.size_positive == 0) return g.sum_rest / count;
    return join_across_seam(g.sum_positive, static_cast<double>(g.size_positive), g.sum_rest,
                            static_cast<double>(g.size_rest), count);
}

double weighted_mean(const SeamGroups<float>& g) {
    const double wp = g.size_positive, wn = g.size_rest;
    if (g.size_rest == 0) return g.sum_positive / wp;
    if (g.size_positive == 0) return g.sum_rest / wn;
    const float total = g.size_positive + g.size_rest;  // a float sum, widened after
    return join_across_seam(g.sum_positive, wp, g.sum_rest, wn, static_cast<double>(total));
}

}  // namespace
}  // namespace vq

Angulos Gmedio(const Angulos* angulos, uint32_t n) {
    vq::SeamGroups<uint32_t> omega, fi, kappa;
    for (uint32_t i = 0; i < n; ++i) {
        const Angulos& a = angulos[i];
        omega.add(a.omega, a.omega, 1u);
        fi.add(a.fi, a.fi, 1u);
        kappa.add(a.kappa, a.kappa, 1u);
    }
    return Angulos{vq::plain_mean(omega, n), vq::plain_mean(fi, n), vq::plain_mean(kappa, n)};
}

Angulos Gmedio_pesos(const Angulos* angulos, uint32_t n, const Pesos* pesos) {
    vq::SeamGroups<float> omega, fi, kappa;
    for (uint32_t i = 0; i < n; ++i) {
        const Angulos& a = angulos[i];
        const Pesos& w = pesos[i];
        omega.add(a.omega, a.omega * static_cast<double>(w.peso_omega), w.peso_omega);
        fi.add(a.fi, a.fi * static_cast<double>(w.peso_fi), w.peso_fi);
        kappa.add(a.kappa, a.kappa * static_cast<double>(w.peso_kappa), w.peso_kappa);
    }
    return Angulos{vq::weighted_mean(omega), vq::weighted_mean(fi), vq::weighted_mean(kappa)};
}
