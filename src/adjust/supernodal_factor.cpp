#include "adjust/supernodal_factor.h"

#include <Eigen/Dense>
#include <algorithm>
#include <type_traits>

#include "adjust/block_products.h"
#include "adjust/ordered_products.h"

namespace quenvar {

template <typename Real>
void SupernodalFactor<Real>::Analyse(int n, const int* start, const int* rows, const std::vector<int>& position, int per) {
    n_ = n;
    shift_ = per == 2 ? 1 : 0;
    position_ = position;
    found_.fill(FoundBlock{});
    const int blocks = n / per;
    // The pattern by blocks: block column b is A's column b * per, every per-th row.
    auto blockOf = [&position, per](int unknown) { return position[size_t(unknown)] / per; };
    // The upper pattern of the permuted block matrix by columns (row < column), for the
    // elimination tree.
    std::vector<int> upperStart(size_t(blocks) + 1, 0), upper;
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<int> fill(upperStart.begin(), upperStart.end() - 1);
        for (int j = 0; j < n; j += per)
            for (int p = start[j]; p < start[j + 1]; p += per) {
                const int a = blockOf(rows[p]), b = blockOf(j);
                if (a == b) continue;
                if (pass == 0) {
                    ++upperStart[size_t(std::max(a, b)) + 1];
                } else {
                    upper[size_t(fill[size_t(std::max(a, b))]++)] = std::min(a, b);
                }
            }
        if (pass == 0) {
            for (int k = 0; k < blocks; ++k) upperStart[size_t(k) + 1] += upperStart[size_t(k)];
            upper.resize(size_t(upperStart[size_t(blocks)]));
        }
    }
    std::vector<int> parent(static_cast<size_t>(blocks), -1), ancestor(static_cast<size_t>(blocks), -1);
    for (int k = 0; k < blocks; ++k)
        for (int e = upperStart[size_t(k)]; e < upperStart[size_t(k) + 1]; ++e) {
            for (int i = upper[size_t(e)]; i != -1 && i < k;) {
                const int next = ancestor[size_t(i)];
                ancestor[size_t(i)] = k;
                if (next == -1) parent[size_t(i)] = k;
                i = next;
            }
        }
    // Row k of L by blocks is the union of the tree paths from the entries of block column k up
    // to k: counted in a first sweep, written in a second, so each column's rows come out
    // ascending.
    std::vector<int> mark(static_cast<size_t>(blocks), -1);
    blockStart_.assign(size_t(blocks) + 1, 0);
    for (int sweep = 0; sweep < 2; ++sweep) {
        std::vector<int> fill(blockStart_.begin(), blockStart_.end() - 1);
        std::fill(mark.begin(), mark.end(), -1);
        for (int k = 0; k < blocks; ++k) {
            mark[size_t(k)] = k;
            for (int e = upperStart[size_t(k)]; e < upperStart[size_t(k) + 1]; ++e)
                for (int i = upper[size_t(e)]; mark[size_t(i)] != k; i = parent[size_t(i)]) {
                    mark[size_t(i)] = k;
                    if (sweep == 0) {
                        ++blockStart_[size_t(i) + 1];
                    } else {
                        blockRows_[size_t(fill[size_t(i)]++)] = k;
                    }
                }
        }
        if (sweep == 0) {
            for (int j = 0; j < blocks; ++j) blockStart_[size_t(j) + 1] += blockStart_[size_t(j)];
            blockRows_.resize(size_t(blockStart_[size_t(blocks)]));
        }
    }
    // L by unknowns: column c of block b holds the block's later unknowns, then every unknown
    // of each block row.
    start_.resize(size_t(n) + 1);
    start_[0] = 0;
    for (int c = 0; c < n; ++c) {
        const int b = c / per;
        start_[size_t(c) + 1] = start_[size_t(c)] + (per - 1 - c % per) + per * (blockStart_[size_t(b) + 1] - blockStart_[size_t(b)]);
    }
    rows_.resize(size_t(start_[size_t(n)]));
    for (int c = 0; c < n; ++c) {
        const int b = c / per;
        int* out = rows_.data() + start_[size_t(c)];
        for (int q = c + 1; q < (b + 1) * per; ++q) *out++ = q;
        for (int e = blockStart_[size_t(b)]; e < blockStart_[size_t(b) + 1]; ++e)
            for (int u = 0; u < per; ++u) *out++ = blockRows_[size_t(e)] * per + u;
    }
    values_.assign(rows_.size(), 0.0);
    d_.assign(size_t(n), 0.0);
    // Column j + 1 continues j's supernode when j's rows are j + 1 and then exactly j + 1's.
    auto count = [this](int j) { return start_[size_t(j) + 1] - start_[size_t(j)]; };
    first_.clear();
    node_.assign(size_t(n), 0);
    for (int j = 0; j < n; ++j) {
        const bool continues = j > 0 && count(j - 1) > 0 && rows_[size_t(start_[size_t(j - 1)])] == j &&
                               count(j - 1) == count(j) + 1;
        if (!continues) first_.push_back(j);
        node_[size_t(j)] = int(first_.size()) - 1;
    }
    first_.push_back(n);
    // Where each entry of A goes: its place in column min(a, b) of L, or the diagonal. The
    // places of a column's rows are spread into `place` while its entries are assigned.
    entryStart_.assign(size_t(n) + 1, 0);
    for (int j = 0; j < n; ++j)
        for (int p = start[j]; p < start[j + 1]; ++p)
            ++entryStart_[size_t(std::min(position[size_t(rows[p])], position[size_t(j)])) + 1];
    for (int c = 0; c < n; ++c) entryStart_[size_t(c) + 1] += entryStart_[size_t(c)];
    entryPlace_.resize(size_t(entryStart_[size_t(n)]));
    entrySource_.resize(entryPlace_.size());
    std::vector<int> row(entryPlace_.size()), fill(entryStart_.begin(), entryStart_.end() - 1);
    for (int j = 0; j < n; ++j)
        for (int p = start[j]; p < start[j + 1]; ++p) {
            const int a = position[size_t(rows[p])], b = position[size_t(j)];
            const int e = fill[size_t(std::min(a, b))]++;
            row[size_t(e)] = std::max(a, b);
            entrySource_[size_t(e)] = p;
        }
    std::vector<int> place(static_cast<size_t>(n), -1);
    for (int c = 0; c < n; ++c) {
        place[size_t(c)] = -1 - c;
        for (int p = start_[size_t(c)]; p < start_[size_t(c) + 1]; ++p) place[size_t(rows_[size_t(p)])] = p;
        for (int e = entryStart_[size_t(c)]; e < entryStart_[size_t(c) + 1]; ++e) entryPlace_[size_t(e)] = place[size_t(row[size_t(e)])];
    }
    work_.resize(size_t(n));
}

template <typename Real>
void SupernodalFactor<Real>::Gather(const std::vector<Real>& offDiagonal, const std::vector<Real>& diagonal,
                                    Real* values) const {
    for (int c = 0; c < n_; ++c)
        for (int e = entryStart_[size_t(c)]; e < entryStart_[size_t(c) + 1]; ++e) {
            const int place = entryPlace_[size_t(e)];
            values[entrySource_[size_t(e)]] = place < 0 ? diagonal[size_t(c)] : offDiagonal[size_t(place)];
        }
}

template <typename Real>
long SupernodalFactor<Real>::Position(int row, int column) const {
    const int b = column >> shift_, r = row >> shift_;
    if (r == b) return start_[size_t(column)] + (row - column - 1);
    FoundBlock& found = found_[size_t(unsigned(b * 31 + r) % FoundBlocks)];
    if (found.column != b || found.row != r) {
        const int* first = blockRows_.data() + blockStart_[size_t(b)];
        const int* last = blockRows_.data() + blockStart_[size_t(b) + 1];
        const int* at = std::lower_bound(first, last, r);
        found = FoundBlock{b, r, at != last && *at == r ? int(at - first) : -1};
    }
    if (found.index < 0) return -1;
    const int mask = (1 << shift_) - 1;
    return start_[size_t(column)] + (mask - (column & mask)) + (found.index << shift_) + (row & mask);
}

namespace {
// Supernodes up to this width update the later ones without a dense product.
constexpr int NarrowUpdate = 8;
}  // namespace

template <typename Real>
void SupernodalFactor<Real>::Factor(const double* values, const std::vector<std::pair<int, double>>& added) {
    const int supernodes = int(first_.size()) - 1;
    std::vector<int> local(static_cast<size_t>(n_), -1);
    // Supernodes whose next rows fall into a later supernode wait in that one's list.
    std::vector<int> head(static_cast<size_t>(supernodes), -1), next(static_cast<size_t>(supernodes), -1),
        from(static_cast<size_t>(supernodes), 0);
    // Work blocks of the largest sizes, allocated once: fresh large blocks for every supernode
    // would cost more in page faults than the arithmetic they hold.
    int widest = 1, tallest = 0;
    for (int s = 0; s < supernodes; ++s) {
        const int l = first_[size_t(s) + 1] - 1;
        widest = std::max(widest, l - first_[size_t(s)] + 1);
        tallest = std::max(tallest, start_[size_t(l) + 1] - start_[size_t(l)]);
    }
    std::vector<Real> blockSpace(size_t(widest + tallest) * size_t(widest)), xSpace(size_t(tallest) * size_t(widest)),
        updateSpace(xSpace.size()), scaledSpace(size_t(widest) * size_t(widest));
    std::vector<int> targetSpace(size_t(tallest) + 1);
    using Block = Eigen::Map<Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic>>;
    std::vector<Real> pivotSpace(static_cast<size_t>(widest)), rowSpace(static_cast<size_t>(widest));
    std::vector<const Real*> columnSpace(static_cast<size_t>(widest));
    for (int s = 0; s < supernodes; ++s) {
        const int f = first_[size_t(s)], l = first_[size_t(s) + 1] - 1, w = l - f + 1;
        const int m = start_[size_t(l) + 1] - start_[size_t(l)];
        const int* below = rows_.data() + start_[size_t(l)];
        for (int q = f; q <= l; ++q) local[size_t(q)] = q - f;
        for (int t = 0; t < m; ++t) local[size_t(below[t])] = w + t;
        Block block(blockSpace.data(), w + m, w);
        block.setZero();
        // A's elements of these columns.
        for (int c = f; c <= l; ++c)
            for (int e = entryStart_[size_t(c)]; e < entryStart_[size_t(c) + 1]; ++e) {
                const int place = entryPlace_[size_t(e)];
                const int r = place < 0 ? c : rows_[size_t(place)];
                block(local[size_t(r)], c - f) += values[entrySource_[size_t(e)]];
            }
        for (const auto& [unknown, value] : added) {
            const int c = position_[size_t(unknown)];
            if (c >= f && c <= l) block(c - f, c - f) += Real(value);
        }
        // The updates of the supernodes below: L_(rows >= f) D L_(rows in s)^T.
        for (int u = head[size_t(s)]; u != -1;) {
            const int following = next[size_t(u)];
            const int g = first_[size_t(u)], h = first_[size_t(u) + 1] - 1, wu = h - g + 1;
            const int* ru = rows_.data() + start_[size_t(h)];
            const int mu = start_[size_t(h) + 1] - start_[size_t(h)];
            const int k0 = from[size_t(u)];
            int inside = k0;
            while (inside < mu && ru[inside] <= l) ++inside;
            const int a = mu - k0, b = inside - k0;
            if (wu <= NarrowUpdate) {
                // A narrow supernode (a point or two of a traverse) updates element by element:
                // a dense product would cost more in setting up than in arithmetic.
                const Real* lc[NarrowUpdate];
                for (int k = 0; k < wu; ++k) lc[k] = values_.data() + start_[size_t(g + k)] + (h - g - k) + k0;
                int* target = targetSpace.data();
                for (int i = 0; i < a; ++i) target[i] = local[size_t(ru[k0 + i])];
                for (int j = 0; j < b; ++j) {
                    Real coefficient[NarrowUpdate];
                    for (int k = 0; k < wu; ++k) coefficient[k] = lc[k][j] * d_[size_t(g + k)];
                    Real* column = &block(0, ru[k0 + j] - f);
                    if (wu == 2) {
                        // The X and Y of one point, the commonest supernode.
                        for (int i = j; i < a; ++i) column[target[i]] -= lc[0][i] * coefficient[0] + lc[1][i] * coefficient[1];
                        continue;
                    }
                    for (int i = j; i < a; ++i) {
                        Real sum = 0.0;
                        for (int k = 0; k < wu; ++k) sum += lc[k][i] * coefficient[k];
                        column[target[i]] -= sum;
                    }
                }
            } else {
                Block x(xSpace.data(), a, wu), update(updateSpace.data(), a, b), scaled(scaledSpace.data(), b, wu);
                Eigen::Map<Eigen::Matrix<Real, Eigen::Dynamic, 1>> pivots(pivotSpace.data(), wu);
                for (int c = g; c <= h; ++c) {
                    const Real* lc = values_.data() + start_[size_t(c)] + (h - c) + k0;
                    for (int i = 0; i < a; ++i) x(i, c - g) = lc[i];
                    pivots[c - g] = d_[size_t(c)];
                }
                scaled.noalias() = x.topRows(b) * pivots.asDiagonal();
                FactorBlockProducts(a, b, wu, x.data(), a, scaled.data(), 1, b, update.data(), a, false, true);
                for (int j = 0; j < b; ++j) {
                    const int col = ru[k0 + j] - f;
                    for (int i = j; i < a; ++i) block(local[size_t(ru[k0 + i])], col) -= update(i, j);
                }
            }
            from[size_t(u)] = inside;
            if (inside < mu) {
                const int target = node_[size_t(ru[inside])];
                next[size_t(u)] = head[size_t(target)];
                head[size_t(target)] = u;
            }
            u = following;
        }
        // Dense L D L^T of the supernode's columns.
        for (int c = 0; c < w; ++c) {
            if constexpr (std::is_same_v<Real, double>) {
                // Column c less t_k times each earlier column k with t_k not zero, in turn.
                int count = 0;
                for (int k = 0; k < c; ++k) {
                    const Real t = d_[size_t(f + k)] * block(c, k);
                    if (t == 0.0) continue;
                    rowSpace[size_t(count)] = t;
                    columnSpace[size_t(count++)] = &block(c, k);
                }
                OrderedColumnUpdate(w + m - c, &block(c, c), count, rowSpace.data(), columnSpace.data());
            } else {
                // Two rows at a time, their sums kept in registers: the x87 unit stores a long
                // double slowly.
                Real* t = rowSpace.data();
                for (int k = 0; k < c; ++k) t[k] = d_[size_t(f + k)] * block(c, k);
                const long stride = w + m;
                for (int i = c; i < w + m; i += 2) {
                    const int i1 = i + 1 < w + m ? i + 1 : i;
                    const Real *r0 = &block(i, 0), *r1 = &block(i1, 0);
                    Real s0 = 0, s1 = 0;
                    for (int k = 0; k < c; ++k) {
                        s0 += r0[k * stride] * t[k];
                        s1 += r1[k * stride] * t[k];
                    }
                    block(i, c) -= s0;
                    if (i1 != i) block(i1, c) -= s1;
                }
            }
            const Real d = block(c, c);
            d_[size_t(f + c)] = d;
            if (d != 0.0) {
                block.col(c).tail(w + m - c - 1) /= d;
            } else {
                block.col(c).tail(w + m - c - 1).setZero();
            }
        }
        for (int c = f; c <= l; ++c) {
            Real* lc = values_.data() + start_[size_t(c)];
            for (int q = c + 1; q <= l; ++q) lc[q - c - 1] = block(q - f, c - f);
            for (int t = 0; t < m; ++t) lc[(l - c) + t] = block(w + t, c - f);
        }
        if (m > 0) {
            const int target = node_[size_t(below[0])];
            from[size_t(s)] = 0;
            next[size_t(s)] = head[size_t(target)];
            head[size_t(target)] = s;
        }
    }
}

template class SupernodalFactor<double>;
template class SupernodalFactor<long double>;

}  // namespace quenvar
