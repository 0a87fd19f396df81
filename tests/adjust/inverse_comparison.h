// Comparison of two inversions of the same normal matrix.
#pragma once

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"
#include "netdb/network.h"

namespace quenvar::testing {

// A copy of m with the same order and elements.
inline NormalMatrix CopyOf(const NormalMatrix& m) {
    NormalMatrix c;
    c.Allocate(m.Order());
    std::copy_n(m.Row(1), PackedSize(m.Order()), c.Row(1));
    return c;
}

// Largest difference of a from the reference b over the leading n x n part, relative to
// sqrt(b(i, i) b(j, j)); 1 when a's right-hand side row differs from the original m's.
inline double RelativeDeviation(int n, const NormalMatrix& a, const NormalMatrix& b, const NormalMatrix& m) {
    double worst = 0.0;
    for (int i = 1; i <= n + 1; ++i)
        for (int j = 1; j <= i; ++j)
            worst = std::max(worst, i > n ? double(a.At(i, j) != m.At(i, j))
                                          : std::fabs(a.At(i, j) - b.At(i, j)) / std::sqrt(b.At(i, i) * b.At(j, j)));
    return worst;
}

// Two adjustments of the same network agree: unit-weight error (a 4-byte float), coordinates
// to a nanometre and every precision record (4-byte floats).
inline void ExpectSameAdjustment(const Network& a, const Network& b) {
    EXPECT_NEAR(PosteriorSigma(a), PosteriorSigma(b), 1e-6 * PosteriorSigma(b));
    for (int p = 1; p <= a.hdr.pointCount; ++p) {
        EXPECT_NEAR(a.Point(p).x, b.Point(p).x, 1e-9) << p;
        EXPECT_NEAR(a.Point(p).y, b.Point(p).y, 1e-9) << p;
    }
    ASSERT_EQ(a.ellipses.size(), b.ellipses.size());
    for (size_t k = 1; k < a.ellipses.size(); ++k) {
        const EllipseRec &e = a.ellipses[k], &f = b.ellipses[k];
        EXPECT_TRUE(e.p1 == f.p1 && e.p2 == f.p2 && std::fabs(e.a - f.a) <= 1e-5f * f.a &&
                    std::fabs(e.b - f.b) <= 1e-5f * f.b && std::fabs(e.c - f.c) <= 1e-5f)
            << k;
    }
}

}  // namespace quenvar::testing
