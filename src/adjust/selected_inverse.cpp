#include "adjust/selected_inverse.h"

#include <Eigen/Dense>
#include <algorithm>

#include "adjust/block_products.h"

namespace quenvar {
namespace {

// Supernodes up to this width are inverted by plain loops (a point or two of a traverse, whose
// dense blocks would cost more to set up than their arithmetic).
constexpr int NarrowBlock = 8;

template <typename Real>
int Count(const LowerFactor<Real>& f, int j) { return f.start[j + 1] - f.start[j]; }

// Columns j and j + 1 belong to one supernode: j's rows are j + 1 and then exactly j + 1's.
template <typename Real>
bool Continues(const LowerFactor<Real>& f, int j) {
    return Count(f, j) > 0 && f.rows[f.start[j]] == j + 1 && Count(f, j) == Count(f, j + 1) + 1;
}

// The first of the ascending rows [from, end) not below `row`, searched in steps that double
// from `from`: the row looked for is mostly a few places on, and a search near at hand reads
// fewer lines of memory than one over the whole column.
const int* Gallop(const int* from, const int* end, int row) {
    long step = 1;
    const int* low = from;
    while (low + step < end && low[step] < row) {
        low += step;
        step *= 2;
    }
    return std::lower_bound(low, std::min(low + step + 1, end), row);
}

// One supernode of at most NarrowBlock columns by plain loops, with the same quantities as the
// dense blocks below: no products to set up, and Z_RR read straight from the later columns as
// it is used rather than gathered. u and y have room for m x w values.
template <typename Real>
void InvertNarrow(const LowerFactor<Real>& f, int fc, int lc, Real* u, Real* y, std::vector<Real>& offDiagonal,
                  std::vector<Real>& diagonal) {
    const int w = lc - fc + 1, m = Count(f, lc);
    const int* rr = f.rows + f.start[lc];
    auto l = [&f, fc](int i, int j) { return f.values[f.start[fc + j] + (i - j - 1)]; };  // L_SS(i, j), i > j
    auto lrs = [&f, fc, lc](int r, int j) { return f.values[f.start[fc + j] + (lc - fc - j) + r]; };
    // L_SS^-1, unit lower, and T = L_SS^-T D_S^-1 L_SS^-1 in its lower triangle.
    Real linv[NarrowBlock][NarrowBlock] = {}, t[NarrowBlock][NarrowBlock] = {};
    for (int j = 0; j < w; ++j) {
        linv[j][j] = 1.0;
        for (int i = j + 1; i < w; ++i) {
            Real sum = 0.0;
            for (int k = j; k < i; ++k) sum += l(i, k) * linv[k][j];
            linv[i][j] = -sum;
        }
    }
    for (int j = 0; j < w; ++j)
        for (int i = j; i < w; ++i)
            for (int k = i; k < w; ++k) t[i][j] += linv[k][i] / f.d[fc + k] * linv[k][j];
    if (m > 0) {
        // U = L_RS L_SS^-1, by columns from the last.
        for (int r = 0; r < m; ++r)
            for (int c = w - 1; c >= 0; --c) {
                Real v = lrs(r, c);
                for (int k = c + 1; k < w; ++k) v -= u[k * m + r] * l(k, c);
                u[c * m + r] = v;
            }
        // Y = Z_RR U, each element of Z_RR's lower triangle taken once for both its places.
        std::fill_n(y, size_t(m) * size_t(w), 0.0);
        for (int a = 0; a < m; ++a) {
            const int r = rr[a];
            const Real z = diagonal[size_t(r)];
            Real ua[NarrowBlock], ya[NarrowBlock];
            for (int c = 0; c < w; ++c) {
                ua[c] = u[c * m + a];
                ya[c] = y[c * m + a] + z * ua[c];
            }
            const int* rows = f.rows + f.start[r];
            const int* end = f.rows + f.start[r + 1];
            if (w == 2) {
                // The X and Y of one point, the commonest supernode: the same sums unrolled.
                Real* __restrict y0 = y;
                Real* __restrict y1 = y + m;
                const Real* __restrict u0 = u;
                const Real* __restrict u1 = u + m;
                for (int b = a + 1; b < m && rows < end; ++b, ++rows) {
                    if (*rows != rr[b]) rows = Gallop(rows, end, rr[b]);
                    const Real zba = offDiagonal[size_t(rows - f.rows)];
                    y0[b] += zba * ua[0];
                    ya[0] += zba * u0[b];
                    y1[b] += zba * ua[1];
                    ya[1] += zba * u1[b];
                }
            } else {
                for (int b = a + 1; b < m && rows < end; ++b, ++rows) {
                    if (*rows != rr[b]) rows = Gallop(rows, end, rr[b]);
                    const Real zba = offDiagonal[size_t(rows - f.rows)];
                    for (int c = 0; c < w; ++c) {
                        y[c * m + b] += zba * ua[c];
                        ya[c] += zba * u[c * m + b];
                    }
                }
            }
            for (int c = 0; c < w; ++c) y[c * m + a] = ya[c];
        }
        for (int j = 0; j < w; ++j)
            for (int i = j; i < w; ++i) {
                Real sum = 0.0;
                for (int r = 0; r < m; ++r) sum += u[i * m + r] * y[j * m + r];
                t[i][j] += sum;
            }
        for (int c = 0; c < w; ++c)
            for (int r = 0; r < m; ++r) offDiagonal[size_t(f.start[fc + c] + (lc - fc - c) + r)] = -y[c * m + r];
    }
    for (int j = 0; j < w; ++j) {
        diagonal[size_t(fc + j)] = t[j][j];
        for (int i = j + 1; i < w; ++i) offDiagonal[size_t(f.start[fc + j] + (i - j - 1))] = t[i][j];
    }
}

}  // namespace

// Supernode by supernode from the last: for columns S = f..l with the rows R below them,
// U = L_RS L_SS^-1, Z_RS = -Z_RR U and Z_SS = L_SS^-T D_S^-1 L_SS^-1 + U^T Z_RR U, with Z_RR
// (all on the pattern, R being a clique of the factor) gathered from the later columns.
template <typename Real>
void SelectedInverse(const LowerFactor<Real>& f, std::vector<Real>& offDiagonal, std::vector<Real>& diagonal) {
    const int n = f.n;
    offDiagonal.assign(size_t(n > 0 ? f.start[n] : 0), 0.0);
    diagonal.assign(size_t(n), 0.0);
    std::vector<int> first;  // first column of each supernode
    for (int j = 0; j < n; ++j)
        if (j == 0 || !Continues(f, j - 1)) first.push_back(j);
    first.push_back(n);
    // Work blocks of the largest sizes, allocated once (fresh large blocks for every supernode
    // would cost more in page faults than the arithmetic they hold).
    int widest = 1, tallest = 0;
    for (size_t s = 0; s + 1 < first.size(); ++s) {
        widest = std::max(widest, first[s + 1] - first[s]);
        tallest = std::max(tallest, Count(f, first[s + 1] - 1));
    }
    const size_t square = size_t(widest) * size_t(widest), side = size_t(tallest) * size_t(widest);
    std::vector<Real> lssSpace(square), tSpace(square), lrsSpace(side), uSpace(side),
        ySpace(side), zrrSpace(size_t(tallest) * size_t(tallest));
    using Block = Eigen::Map<Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic>>;
    for (size_t s = first.size() - 1; s-- > 0;) {
        const int fc = first[s], lc = first[s + 1] - 1, w = lc - fc + 1;
        if (w <= NarrowBlock) {
            InvertNarrow(f, fc, lc, uSpace.data(), ySpace.data(), offDiagonal, diagonal);
            continue;
        }
        const int m = Count(f, lc);
        Block lss(lssSpace.data(), w, w), t(tSpace.data(), w, w);
        Block lrs(lrsSpace.data(), m, w), u(uSpace.data(), m, w), y(ySpace.data(), m, w);
        Block zrr(zrrSpace.data(), m, m);
        const int* rr = f.rows + f.start[lc];  // R, ascending
        // Position of row q > c of column c: within S, then R.
        auto within = [&f](int q, int c) { return f.start[c] + (q - c - 1); };
        auto below = [&f, lc](int r, int c) { return f.start[c] + (lc - c) + r; };
        lss.setIdentity();
        for (int c = fc; c <= lc; ++c) {
            for (int q = c + 1; q <= lc; ++q) lss(q - fc, c - fc) = f.values[within(q, c)];
            for (int r = 0; r < m; ++r) lrs(r, c - fc) = f.values[below(r, c)];
        }
        // T = L_SS^-T D_S^-1 L_SS^-1, the inverse of the supernode's own block, in its lower
        // triangle by columns from the last: T(j+1:, j) = -T(j+1:, j+1:) L(j+1:, j) and
        // T(j, j) = 1 / d_j - L(j+1:, j)^T T(j+1:, j), a third of the work of forming L_SS^-1
        // and multiplying out.
        for (int j = w - 1; j >= 0; --j) {
            const int k = w - 1 - j;
            t(j, j) = Real(1) / f.d[fc + j];
            if (k == 0) continue;
            t.col(j).tail(k).noalias() = -(t.bottomRightCorner(k, k).template selfadjointView<Eigen::Lower>() * lss.col(j).tail(k));
            t(j, j) -= lss.col(j).tail(k).dot(t.col(j).tail(k));
        }
        if (m > 0) {
            // U = L_RS L_SS^-1.
            u = lrs;
            lss.template triangularView<Eigen::UnitLower>().template solveInPlace<Eigen::OnTheRight>(u);
            for (int a = 0; a < m; ++a) {
                const int r = rr[a];
                zrr(a, a) = diagonal[size_t(r)];
                // The later rows of R lie in column r in runs: the next one is searched for
                // only where a run ends.
                const int* rows = f.rows + f.start[r];
                const int* end = f.rows + f.start[r + 1];
                for (int b = a + 1; b < m && rows < end; ++b, ++rows) {
                    if (*rows != rr[b]) rows = Gallop(rows, end, rr[b]);
                    zrr(b, a) = offDiagonal[size_t(rows - f.rows)];
                }
            }
            // Z_RR is gathered in its lower triangle only; the products take it whole and U^T by
            // columns (in the space of L_RS, no longer needed).
            for (int a = 0; a < m; ++a)
                for (int b = a + 1; b < m; ++b) zrr(a, b) = zrr(b, a);
            Block ut(lrsSpace.data(), w, m);
            ut = u.transpose();
            FactorBlockProducts(m, w, m, zrr.data(), m, u.data(), m, 1, y.data(), m, false, false);
            FactorBlockProducts(w, w, m, ut.data(), w, y.data(), m, 1, t.data(), w, true, true);
            for (int c = fc; c <= lc; ++c)
                for (int r = 0; r < m; ++r) offDiagonal[size_t(below(r, c))] = -y(r, c - fc);
        }
        for (int c = fc; c <= lc; ++c) {
            diagonal[size_t(c)] = t(c - fc, c - fc);
            for (int q = c + 1; q <= lc; ++q) offDiagonal[size_t(within(q, c))] = t(q - fc, c - fc);
        }
    }
}

template void SelectedInverse(const LowerFactor<double>&, std::vector<double>&, std::vector<double>&);
template void SelectedInverse(const LowerFactor<long double>&, std::vector<long double>&, std::vector<long double>&);

}  // namespace quenvar
