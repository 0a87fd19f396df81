// Comparison of two inversions of the same normal matrix.
#pragma once

#include <algorithm>
#include <cmath>

#include "adjust/normal_matrix.h"

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

}  // namespace quenvar::testing
