// Selected inversion of a factored sparse symmetric matrix A = L D L^T: the elements of
// Z = A^-1 on the pattern of L (and the diagonal), without the rest of the inverse. Every
// cofactor an adjustment reads - the block of a point, the blocks of two points joined by an
// observation, the coefficients of one observation row - lies on that pattern.
#pragma once

#include <vector>

namespace quenvar {

// L unit lower triangular by columns, the diagonal not stored: the rows of column j are
// rows[start[j]] .. rows[start[j + 1] - 1], ascending, all below j, values in `values`. Real is
// double, or long double for the free network, whose cofactors come out of a low-rank
// correction that cancels much of them.
template <typename Real>
struct LowerFactor {
    int n = 0;
    const int* start = nullptr;
    const int* rows = nullptr;
    const Real* values = nullptr;
    const Real* d = nullptr;  // D, n pivots
};

// Z on the pattern of L: offDiagonal[p] is Z(rows[p], j) for the stored position p of column
// j, diagonal[j] is Z(j, j). From the last column to the first, Z(j, r) = -sum_k L(k, j) Z(k, r)
// over the rows k of column j (the fill of a factor puts every Z(k, r) needed there on the
// pattern), taken a supernode at a time on dense blocks.
template <typename Real>
void SelectedInverse(const LowerFactor<Real>& f, std::vector<Real>& offDiagonal, std::vector<Real>& diagonal);

extern template void SelectedInverse(const LowerFactor<double>&, std::vector<double>&, std::vector<double>&);
extern template void SelectedInverse(const LowerFactor<long double>&, std::vector<long double>&,
                                     std::vector<long double>&);

}  // namespace quenvar
