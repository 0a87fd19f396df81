// Dense block products for the factor and selected inverse: for doubles by the ordered kernels,
// for long doubles (the free network) by two by two sums, which stay in the eight registers of
// the x87 unit where Eigen's general kernels keep more: half the time of the long double blocks.
#pragma once

#include <type_traits>

#include "adjust/ordered_products.h"

namespace quenvar {

// c(i, j) = sum_q a(i, q) b(j, q) over q < depth (added to c(i, j) when `accumulate`), for
// i < rows and j < cols, or with `lower` for the blocks of two rows and two columns that reach
// i >= j (their elements above the diagonal are computed too, and are not meant to be read).
// Element (i, q) of a lies at a[i + q * lda], (j, q) of b at b[j * bj + q * bq], (i, j) of c at
// c[i + j * ldc].
template <typename Real>
void BlockProducts(int rows, int cols, int depth, const Real* a, long lda, const Real* b, long bj, long bq, Real* c,
                   long ldc, bool accumulate, bool lower) {
    for (int j = 0; j < cols; j += 2) {
        const int j1 = j + 1 < cols ? j + 1 : j;
        for (int i = lower ? j : 0; i < rows; i += 2) {
            const int i1 = i + 1 < rows ? i + 1 : i;
            const Real *a0 = a + i, *a1 = a + i1, *b0 = b + j * bj, *b1 = b + j1 * bj;
            Real c00 = 0, c01 = 0, c10 = 0, c11 = 0;
            for (int q = 0; q < depth; ++q) {
                const Real x0 = a0[q * lda], x1 = a1[q * lda], y0 = b0[q * bq], y1 = b1[q * bq];
                c00 += x0 * y0;
                c01 += x0 * y1;
                c10 += x1 * y0;
                c11 += x1 * y1;
            }
            const auto put = [c, ldc, accumulate](int r, int s, Real v) {
                Real& e = c[r + s * ldc];
                e = accumulate ? e + v : v;
            };
            put(i, j, c00);
            if (i1 != i) put(i1, j, c10);
            if (j1 != j) {
                put(i, j1, c01);
                if (i1 != i) put(i1, j1, c11);
            }
        }
    }
}

// The dense products of a factor and its selected inverse in their own precision: the ordered
// kernels for doubles, the register sums above for long doubles. Arguments as above.
template <typename Real>
void FactorBlockProducts(int rows, int cols, int depth, const Real* a, long lda, const Real* b, long bj, long bq,
                         Real* c, long ldc, bool accumulate, bool lower) {
    if constexpr (std::is_same_v<Real, double>) {
        OrderedBlockProducts(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
    } else {
        BlockProducts(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
    }
}

}  // namespace quenvar
