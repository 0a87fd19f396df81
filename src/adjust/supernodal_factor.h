// L D L^T factorisation of a sparse symmetric matrix by supernodes. The pattern is analysed
// once (elimination tree, the rows of every column of L, the supernodes: runs of columns
// whose rows below are the same, like the X and Y of one point or the points of a
// separator); every numeric factorisation then works on dense blocks, each supernode
// gathering the updates of the ones below it. The numbers are doubles, or long doubles for
// the free network (see LowerFactor).
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "adjust/selected_inverse.h"

namespace quenvar {

template <typename Real>
class SupernodalFactor {
public:
    // The pattern of A: its lower triangle by columns (rows ascending, the diagonal included)
    // and the fill-reducing numbering position[old] = new. A's unknowns come in blocks of
    // `per`, 1 or 2 (the unknowns of one point), that are numbered together and share their
    // pattern: every block of A is full or empty. The analysis runs on the blocks.
    void Analyse(int n, const int* start, const int* rows, const std::vector<int>& position, int per = 1);

    // Factors P A P^T = L D L^T from A's values in the analysed pattern, with `added` (unknown
    // counted from 0, value) added to A's diagonal in the factor's precision. The pivots D are
    // left for the caller to judge; a zero pivot leaves its column at zero.
    void Factor(const double* values, const std::vector<std::pair<int, double>>& added = {});

    // L and D in the factor's numbering.
    LowerFactor<Real> View() const {
        return LowerFactor<Real>{n_, start_.data(), rows_.data(), values_.data(), d_.data()};
    }
    const std::vector<Real>& Pivots() const { return d_; }

    // Solves A x = b in place in the original numbering, in the factor's precision.
    template <typename Value>
    void Solve(Value* x) const {
        Real* y = work_.data();
        for (int i = 0; i < n_; ++i) y[position_[size_t(i)]] = x[i];
        for (int c = 0; c < n_; ++c)
            for (int p = start_[size_t(c)]; p < start_[size_t(c) + 1]; ++p) y[rows_[size_t(p)]] -= values_[size_t(p)] * y[c];
        for (int c = 0; c < n_; ++c) y[c] /= d_[size_t(c)];
        for (int c = n_ - 1; c >= 0; --c)
            for (int p = start_[size_t(c)]; p < start_[size_t(c) + 1]; ++p) y[c] -= values_[size_t(p)] * y[rows_[size_t(p)]];
        for (int i = 0; i < n_; ++i) x[i] = Value(y[position_[size_t(i)]]);
    }

    // Solves A X = B in place for `m` right-hand sides, X n x m by rows: L is read once for all.
    template <typename Value>
    void Solve(Value* x, int m) const {
        std::vector<Real> y(size_t(n_) * size_t(m));
        const size_t w = size_t(m);
        for (int i = 0; i < n_; ++i)
            for (size_t k = 0; k < w; ++k) y[size_t(position_[size_t(i)]) * w + k] = x[size_t(i) * w + k];
        for (int c = 0; c < n_; ++c) {
            const Real* yc = &y[size_t(c) * w];
            for (int p = start_[size_t(c)]; p < start_[size_t(c) + 1]; ++p) {
                Real* yr = &y[size_t(rows_[size_t(p)]) * w];
                for (size_t k = 0; k < w; ++k) yr[k] -= values_[size_t(p)] * yc[k];
            }
        }
        for (int c = 0; c < n_; ++c)
            for (size_t k = 0; k < w; ++k) y[size_t(c) * w + k] /= d_[size_t(c)];
        for (int c = n_ - 1; c >= 0; --c) {
            Real* yc = &y[size_t(c) * w];
            for (int p = start_[size_t(c)]; p < start_[size_t(c) + 1]; ++p) {
                const Real* yr = &y[size_t(rows_[size_t(p)]) * w];
                for (size_t k = 0; k < w; ++k) yc[k] -= values_[size_t(p)] * yr[k];
            }
        }
        for (int i = 0; i < n_; ++i)
            for (size_t k = 0; k < w; ++k) x[size_t(i) * w + k] = Value(y[size_t(position_[size_t(i)]) * w + k]);
    }

    long Size() const { return long(rows_.size()); }

    // The elements of a matrix on the pattern of L (offDiagonal by L's places, diagonal in the
    // factor's numbering, as the selected inverse gives them) at A's pattern, in A's storage
    // order.
    void Gather(const std::vector<Real>& offDiagonal, const std::vector<Real>& diagonal, Real* values) const;

    // Position of element (row, column), row > column in the factor's numbering, in the
    // pattern of L; -1 when it is not there. The blocks found last are remembered, so the
    // elements of one block, and the blocks asked for again and again while one station's
    // observations are taken, cost one search.
    long Position(int row, int column) const;

private:
    int n_ = 0;
    int shift_ = 0;  // a block has 1 << shift_ unknowns
    std::vector<int> position_;
    // L by blocks: the block rows below the diagonal block of every block column.
    std::vector<int> blockStart_, blockRows_;
    struct FoundBlock {
        int column = -1, row = -1, index = -1;  // block column and row, place among the rows
    };
    static constexpr std::size_t FoundBlocks = 64;
    mutable std::array<FoundBlock, FoundBlocks> found_{};
    // L by columns: rows below the diagonal, ascending.
    std::vector<int> start_, rows_;
    std::vector<Real> values_, d_;
    // Supernodes: first column of each (and n at the end); the supernode of each column.
    std::vector<int> first_, node_;
    // A's entries by column of P A P^T (lower): the storage place of each, or -1 - column for
    // a diagonal element, and the index of its value in A.
    std::vector<int> entryStart_, entryPlace_, entrySource_;
    mutable std::vector<Real> work_;
};

extern template class SupernodalFactor<double>;
extern template class SupernodalFactor<long double>;

}  // namespace quenvar
