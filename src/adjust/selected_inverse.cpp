#include "adjust/selected_inverse.h"

#include <Eigen/Dense>
#include <algorithm>

namespace quenvar {
namespace {

using Dense = Eigen::MatrixXd;

// Supernodes up to this width take their products column by column.
constexpr int NarrowBlock = 8;

int Count(const LowerFactor& f, int j) { return f.start[j + 1] - f.start[j]; }

// Columns j and j + 1 belong to one supernode: j's rows are j + 1 and then exactly j + 1's.
bool Continues(const LowerFactor& f, int j) {
    return Count(f, j) > 0 && f.rows[f.start[j]] == j + 1 && Count(f, j) == Count(f, j + 1) + 1;
}

}  // namespace

// Supernode by supernode from the last: for columns S = f..l with the rows R below them,
// U = L_RS L_SS^-1, Z_RS = -Z_RR U and Z_SS = L_SS^-T D_S^-1 L_SS^-1 + U^T Z_RR U, with Z_RR
// (all on the pattern, R being a clique of the factor) gathered from the later columns.
void SelectedInverse(const LowerFactor& f, std::vector<double>& offDiagonal, std::vector<double>& diagonal) {
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
    std::vector<double> lssSpace(square), tSpace(square), linvSpace(square), lrsSpace(side), uSpace(side),
        ySpace(side), zrrSpace(size_t(tallest) * size_t(tallest));
    using Block = Eigen::Map<Dense>;
    for (size_t s = first.size() - 1; s-- > 0;) {
        const int fc = first[s], lc = first[s + 1] - 1, w = lc - fc + 1;
        const int m = Count(f, lc);
        Block lss(lssSpace.data(), w, w), t(tSpace.data(), w, w), linv(linvSpace.data(), w, w);
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
        // T = L_SS^-T D_S^-1 L_SS^-1.
        linv.setIdentity();
        lss.triangularView<Eigen::UnitLower>().solveInPlace(linv);
        Eigen::VectorXd dinv(w);
        for (int c = 0; c < w; ++c) dinv[c] = 1.0 / f.d[fc + c];
        t.noalias() = linv.transpose() * dinv.asDiagonal() * linv;
        if (m > 0) {
            // U = L_RS L_SS^-1.
            u = lrs;
            lss.triangularView<Eigen::UnitLower>().solveInPlace<Eigen::OnTheRight>(u);
            for (int a = 0; a < m; ++a) {
                const int r = rr[a];
                zrr(a, a) = diagonal[size_t(r)];
                int b = a + 1;
                for (int p = f.start[r]; p < f.start[r + 1] && b < m; ++p) {
                    if (f.rows[p] < rr[b]) continue;
                    zrr(b, a) = offDiagonal[size_t(p)];
                    ++b;
                }
            }
            // Z_RR is gathered in its lower triangle only. A narrow supernode takes its products
            // column by column: a matrix product of so few columns costs more to set up than
            // its arithmetic.
            if (w <= NarrowBlock) {
                for (int c = 0; c < w; ++c) y.col(c).noalias() = zrr.selfadjointView<Eigen::Lower>() * u.col(c);
                for (int c = 0; c < w; ++c)
                    for (int k = 0; k < w; ++k) t(k, c) += u.col(k).dot(y.col(c));
            } else {
                y.noalias() = zrr.selfadjointView<Eigen::Lower>() * u;
                t.noalias() += u.transpose() * y;
            }
            for (int c = fc; c <= lc; ++c)
                for (int r = 0; r < m; ++r) offDiagonal[size_t(below(r, c))] = -y(r, c - fc);
        }
        for (int c = fc; c <= lc; ++c) {
            diagonal[size_t(c)] = t(c - fc, c - fc);
            for (int q = c + 1; q <= lc; ++q) offDiagonal[size_t(within(q, c))] = t(q - fc, c - fc);
        }
    }
}

}  // namespace quenvar
