// The largest pair counts: a loop that steps its 32-bit index by more than
// one must stop at n instead of wrapping past it. One point is read
// 2^32 - 4 times through a zero stride (both points of every pair), which the
// double kernel walks four pairs at a time; the fit must return, with the
// point as both centroids.
#include <gtest/gtest.h>

#include "VQ2D3D.h"

TEST(LargestCount, FitEndsAtTheTopOfTheCountRange) {
    const double point[2] = {3.0, -5.0};
    const Hel2Dg_dbl g = Hel2Dg___g_dbl(point, 0, 0xFFFFFFFCu);
    // The sums are exact (integers below 2^53); only n * (1/n) rounds.
    EXPECT_NEAR(g.xm_origen, 3.0, 1e-12);
    EXPECT_NEAR(g.ym_origen, -5.0, 1e-12);
    EXPECT_NEAR(g.xm_destino, 3.0, 1e-12);
    EXPECT_NEAR(g.ym_destino, -5.0, 1e-12);
}
