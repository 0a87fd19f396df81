#include "adjust/sparse_system.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <algorithm>
#include <cmath>
#include <new>
#include <span>
#include <utility>

#include "adjust/datum_constraints.h"
#include "adjust/datum_update.h"
#include "adjust/selected_inverse.h"
#include "adjust/supernodal_factor.h"

namespace quenvar {
namespace {

using Matrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;

// A pivot below this part of its diagonal element shows a singular matrix.
constexpr double SmallestRelativePivot = 1e-11;
// Up to this many unknowns the packed inversion decides whether a doubtful matrix is singular.
constexpr int LargestReferenceOrder = 2500;

// The points each unknown point is connected with (unknown point numbers, itself included),
// sorted, in compressed rows: the ends of every observation and pair mark, and all points of
// one direction set.
struct PointConnections {
    std::vector<int> start;  // point k's connections are at[start[k - 1]] .. at[start[k] - 1]
    std::vector<int> at;

    int Points() const { return int(start.size()) - 1; }
    std::span<const int> Of(int k) const {
        return {at.data() + start[size_t(k) - 1], at.data() + start[size_t(k)]};
    }
};

// The connections gathered as pairs, each in both directions, then sorted into rows by point:
// one array for all points rather than a growing list for each.
PointConnections FindConnections(const Network& net, const UnknownMap& map, int points) {
    std::vector<int> from, to, set;
    auto join = [&from, &to](int a, int b) {
        if (a <= 0 || b <= 0 || a == b) return;
        from.push_back(a), to.push_back(b);
        from.push_back(b), to.push_back(a);
    };
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const int ki = map[size_t(i)];
        if (ki < 0) continue;
        set.clear();
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const int kj = MapOf(map, r.target);
            if (kj < 0) continue;
            if (PlaneNetwork(net) && KindOf(r) == KindDirection) {
                if (kj > 0) set.push_back(kj);
            } else {
                join(ki, kj);
            }
        }
        // The eliminated orientation couples the station and every target of its set.
        if (set.empty()) continue;
        set.push_back(ki);
        std::sort(set.begin(), set.end());
        set.erase(std::unique(set.begin(), set.end()), set.end());
        for (size_t a = 0; a < set.size(); ++a)
            for (size_t b = 0; b < a; ++b) join(set[a], set[b]);
    }
    for (int k = 1; k <= points; ++k) from.push_back(k), to.push_back(k);
    PointConnections g;
    g.start.assign(size_t(points) + 1, 0);
    for (const int a : from) ++g.start[size_t(a)];
    for (int k = 1; k <= points; ++k) g.start[size_t(k)] += g.start[size_t(k) - 1];
    std::vector<int> fill(g.start.begin(), g.start.end() - 1);
    g.at.resize(from.size());
    for (size_t e = 0; e < from.size(); ++e) g.at[size_t(fill[size_t(from[e]) - 1]++)] = to[e];
    // Each row sorted and every point once, moved down over the repeats.
    int kept = 0;
    for (int k = 1; k <= points; ++k) {
        int* first = g.at.data() + g.start[size_t(k) - 1];
        int* last = g.at.data() + g.start[size_t(k)];
        std::sort(first, last);
        last = std::unique(first, last);
        g.start[size_t(k) - 1] = kept;
        kept = int(std::copy(first, last, g.at.data() + kept) - g.at.data());
    }
    g.start[size_t(points)] = kept;
    g.at.resize(size_t(kept));
    return g;
}

// The lower triangle of N by columns from the point connections: the unknowns of every two
// connected points form a full block.
void LowerPattern(const PointConnections& g, int per, Matrix& a) {
    const int points = g.Points();
    const int n = points * per;
    std::vector<int> start(size_t(n) + 1, 0);
    for (int k = 1; k <= points; ++k)
        for (int c = 0; c < per; ++c) {
            int count = 0;
            for (const int q : g.Of(k))
                if (q >= k) count += q == k ? per - c : per;
            const int column = (k - 1) * per + c;
            start[size_t(column) + 1] = start[size_t(column)] + count;
        }
    a.resize(n, n);
    a.resizeNonZeros(start[size_t(n)]);
    std::copy(start.begin(), start.end(), a.outerIndexPtr());
    int* rows = a.innerIndexPtr();
    for (int k = 1; k <= points; ++k)
        for (int c = 0; c < per; ++c) {
            int p = start[size_t((k - 1) * per + c)];
            for (const int q : g.Of(k)) {
                if (q < k) continue;
                for (int e = q == k ? c : 0; e < per; ++e) rows[p++] = (q - 1) * per + e;
            }
        }
    std::fill_n(a.valuePtr(), start[size_t(n)], 0.0);
}

// The fill-reducing numbering of the unknowns, position[old] = new: the points ordered by
// approximate minimum degree on the graph of their connections, each point's unknowns kept
// together. Ordering points rather than unknowns takes a graph a quarter the size, and the
// X and Y of a point, which share every connection, stay one block of the factor. The
// ordering routine takes the whole symmetric pattern with its diagonal, each column sorted;
// the connections are that pattern already, so it is handed them as they are instead of a
// triangle for it to mirror.
std::vector<int> PointOrdering(const PointConnections& g, int per) {
    const int points = g.Points();
    Matrix graph(points, points);
    graph.resizeNonZeros(int(g.at.size()));
    std::copy(g.start.begin(), g.start.end(), graph.outerIndexPtr());
    for (size_t e = 0; e < g.at.size(); ++e) graph.innerIndexPtr()[e] = g.at[e] - 1;
    std::fill_n(graph.valuePtr(), g.at.size(), 0.0);
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> order;
    Eigen::internal::minimum_degree_ordering(graph, order);
    // order[new] = old point
    std::vector<int> position(size_t(points) * size_t(per));
    for (int k = 0; k < points; ++k)
        for (int c = 0; c < per; ++c) position[size_t(order.indices()[k] * per + c)] = k * per + c;
    return position;
}

// The factor of the pattern and its selected inverse, in one precision.
template <typename Real>
struct Numeric {
    SupernodalFactor<Real> factor;
    LowerFactor<Real> view;
    std::vector<Real> zOff, zDiag;  // the selected inverse on the pattern of L
    // The same on the pattern of N, stored as N is: every cofactor the adjustment reads lies
    // there, in the points' own order, so the reads of one station stay close together.
    std::vector<Real> zNormal;
    // Unknowns not on the pattern: columns of the inverse by solution, the last one kept.
    int solvedColumn = -1;
    std::vector<Real> column;
};

}  // namespace

struct SparseSystem::Data {
    int n = 0;
    int shift = 0;           // a point has 1 << shift unknowns (1 or 2)
    Matrix a;                // N, lower triangle with the diagonal
    // The later points connected with each point (counted from 0), ascending; the block of N
    // found last.
    std::vector<int> laterStart, later;
    int lastRowPoint = -1, lastColumnPoint = -1, lastIndex = -1;
    std::vector<double> b;   // right-hand side
    double last = 0.0;       // [pll], then [pvv]
    double spare = 0.0;      // receives an element outside the pattern
    bool outside = false;    // an element outside the pattern was written in this pass
    std::vector<int> position;  // place of each unknown (counted from 0) in the factor
    // Every pass is factored in double, which serves the corrections: they are refined to the
    // exact solution anyway. A free network's cofactors are what is left when the datum
    // correction has taken off most of M^-1, so when they are read M is factored again,
    // inverted and corrected in long double, and each cofactor rounded once: they then keep
    // the digits of a fixed network's.
    Numeric<double> plain;
    std::unique_ptr<Numeric<long double>> precise;  // a free network's
    bool factored = false;
    bool inverted = false;
    bool preciseInverse = false;  // the cofactors come from `precise`
    // Free network: the datum vectors over the datum points regularise N; the same vectors
    // over every unknown point come off the inverse.
    DatumVectors datum, extended;
    std::vector<int> datumRow, extendedRow;  // row of each unknown (from 1) in the vectors, or -1
    std::vector<int> pins;      // unknowns pinned to make N regular
    std::vector<double> pinWeights;
    std::vector<std::pair<int, double>> added;  // P: the pins' weights on the diagonal
    DatumUpdate update;
    SparseWork work;
    AllocationGate gate = nullptr;  // the network's, asked before the inverse is allocated

    // The selected inverse of the factor; false when memory is short.
    bool Invert() {
        if (inverted) return true;
        if (!factored) return false;
        try {
            preciseInverse = precise && datum.columns > 0 && RefactorPrecisely();
            if (preciseInverse) {
                InvertWith(*precise);
            } else {
                InvertWith(plain);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        ++work.inversions;
        inverted = true;
        return true;
    }

    // M factored and the datum correction built in long double; false when either fails,
    // and the cofactors then come from the double factor.
    bool RefactorPrecisely() {
        if (Decompose(*precise, added) != 1) return false;
        DatumUpdate fine;
        if (!fine.Build(n, datum, pins, pinWeights, [this](long double* x, int m) { precise->factor.Solve(x, m); },
                        [this](const double* x, double* y, double* magnitude) { Multiply(x, y, magnitude); }))
            return false;
        update = std::move(fine);
        return true;
    }

    template <typename Real>
    void InvertWith(Numeric<Real>& num) {
        if (!AllocationAllowed(gate, size_t(num.factor.Size()) * sizeof(Real))) throw std::bad_alloc();
        SelectedInverse(num.view, num.zOff, num.zDiag);
        num.zNormal.resize(size_t(a.nonZeros()));
        num.factor.Gather(num.zOff, num.zDiag, num.zNormal.data());
    }

    // Element (i, j) of N in the pattern, null when it is not there. A column of N holds the
    // rest of its point's block, then the block of each later connected point in turn.
    double* Find(int i, int j) {
        if (i < j) std::swap(i, j);
        const int pi = (i - 1) >> shift, pj = (j - 1) >> shift;
        double* column = a.valuePtr() + a.outerIndexPtr()[j - 1];
        if (pi == pj) return column + (i - j);
        if (pi != lastRowPoint || pj != lastColumnPoint) {
            const int* first = later.data() + laterStart[size_t(pj)];
            const int* end = later.data() + laterStart[size_t(pj) + 1];
            const int* at = std::lower_bound(first, end, pi);
            lastRowPoint = pi;
            lastColumnPoint = pj;
            lastIndex = at != end && *at == pi ? int(at - first) : -1;
        }
        if (lastIndex < 0) return nullptr;
        const int mask = (1 << shift) - 1;
        return column + (mask + 1 - ((j - 1) & mask)) + (lastIndex << shift) + ((i - 1) & mask);
    }

    // G_i G_j^T in long double.
    static long double Term(const DatumVectors& g, const std::vector<int>& row, int i, int j) {
        const int ri = row[size_t(i)], rj = row[size_t(j)];
        if (ri < 0 || rj < 0) return 0.0L;
        const size_t w = size_t(g.columns);
        long double t = 0.0L;
        for (size_t k = 0; k < w; ++k) t += (long double)g.values[size_t(ri) * w + k] * g.values[size_t(rj) * w + k];
        return t;
    }

    // y := N x and |N| |x|.
    void Multiply(const double* x, double* y, double* magnitude) const {
        std::fill_n(y, n, 0.0);
        std::fill_n(magnitude, n, 0.0);
        for (int j = 0; j < n; ++j)
            for (int p = a.outerIndexPtr()[j]; p < a.outerIndexPtr()[j + 1]; ++p) {
                const int i = a.innerIndexPtr()[p];
                const double v = a.valuePtr()[p];
                y[i] += v * x[j];
                magnitude[i] += std::fabs(v * x[j]);
                if (i == j) continue;
                y[j] += v * x[i];
                magnitude[j] += std::fabs(v * x[i]);
            }
    }

    // Factors the matrix: 1, or what Solve returns for a singular matrix. A pivot below
    // 1e-20, or tiny beside its diagonal element, means a singular matrix whose rounding
    // decides which pivot comes out how small; the packed inversion's rule decides it as
    // long as the packed storage is affordable.
    template <typename Real>
    int Decompose(Numeric<Real>& num, const std::vector<std::pair<int, double>>& added = {}) {
        num.factor.Factor(a.valuePtr(), added);
        ++work.factorisations;
        const int singular = n <= LargestReferenceOrder ? SolveUseReference : SolveSingular;
        const std::vector<Real>& pivots = num.factor.Pivots();
        for (int i = 0; i < n; ++i) {
            const Real d = pivots[position[size_t(i)]];
            if (!(d >= 1e-20) || d < SmallestRelativePivot * *Find(i + 1, i + 1)) return singular;
        }
        num.view = num.factor.View();
        return 1;
    }

    template <typename Real>
    Real InverseElement(Numeric<Real>& num, int i, int j) {
        if (const double* e = Find(i, j)) return num.zNormal[size_t(e - a.valuePtr())];
        const int pi = position[size_t(i - 1)], pj = position[size_t(j - 1)];
        if (pi == pj) return num.zDiag[size_t(pi)];
        const long p = num.factor.Position(std::max(pi, pj), std::min(pi, pj));
        if (p >= 0) return num.zOff[size_t(p)];
        // Not read by the adjustment itself; solved for when asked.
        if (num.solvedColumn != j) {
            num.column.assign(size_t(n), Real(0));
            num.column[size_t(j - 1)] = 1;
            num.factor.Solve(num.column.data());
            num.solvedColumn = j;
        }
        return num.column[size_t(i - 1)];
    }
};

SparseSystem::SparseSystem() : d_(new Data) {}
SparseSystem::~SparseSystem() = default;

bool SparseSystem::Prepare(const Network& net, const UnknownMap& map, int n) {
    Data& d = *d_;
    try {
        const int per = PlaneNetwork(net) ? 2 : 1;
        d.n = n;
        const PointConnections g = FindConnections(net, map, n / per);
        LowerPattern(g, per, d.a);
        d.shift = per == 2 ? 1 : 0;
        d.laterStart.assign(1, 0);
        d.later.clear();
        for (int k = 1; k <= g.Points(); ++k) {
            for (const int q : g.Of(k))
                if (q > k) d.later.push_back(q - 1);
            d.laterStart.push_back(int(d.later.size()));
        }
        d.lastRowPoint = d.lastColumnPoint = -1;
        d.gate = net.allocationAllowed;
        if (!AllocationAllowed(d.gate, size_t(d.a.nonZeros()) * sizeof(double))) throw std::bad_alloc();
        d.b.assign(size_t(n), 0.0);
        d.datumRow.assign(size_t(n) + 1, -1);
        d.extendedRow.assign(size_t(n) + 1, -1);
        d.position = PointOrdering(g, per);
        // Without a fixed point the network takes the datum terms.
        d.plain.factor.Analyse(n, d.a.outerIndexPtr(), d.a.innerIndexPtr(), d.position, per);
        d.precise.reset();
        if (net.hdr.knownPointCount == 0) {
            d.precise = std::make_unique<Numeric<long double>>();
            d.precise->factor.Analyse(n, d.a.outerIndexPtr(), d.a.innerIndexPtr(), d.position, per);
        }
        ++d.work.analyses;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int SparseSystem::BeginPass(const Network& net, const UnknownMap& map) {
    Data& d = *d_;
    std::fill_n(d.a.valuePtr(), d.a.nonZeros(), 0.0);
    std::fill(d.b.begin(), d.b.end(), 0.0);
    d.last = 0.0;
    d.outside = d.factored = d.inverted = d.preciseInverse = false;
    d.plain.solvedColumn = -1;
    if (d.precise) d.precise->solvedColumn = -1;
    for (const int u : d.datum.unknowns) d.datumRow[size_t(u)] = -1;
    for (const int u : d.extended.unknowns) d.extendedRow[size_t(u)] = -1;
    if (!FindDatumVectors(net, map, d.datum) ||
        !FindDatumVectors(net, map, d.extended, DatumSpan::AllUnknownPoints))
        return -1;
    for (size_t r = 0; r < d.datum.unknowns.size(); ++r) d.datumRow[size_t(d.datum.unknowns[r])] = int(r);
    for (size_t r = 0; r < d.extended.unknowns.size(); ++r)
        d.extendedRow[size_t(d.extended.unknowns[r])] = int(r);
    d.pins.clear();
    if (d.datum.columns > 0) d.pins = DatumUpdate::PinnedUnknowns(net, d.datum);
    return d.datum.defect;
}

double SparseSystem::FirstDiagonal() const {
    const double* e = d_->Find(1, 1);
    const int r = d_->datumRow[1];
    return (e ? *e : 0.0) + (r < 0 ? 0.0 : d_->datum.Term(size_t(r), size_t(r)));
}

double& SparseSystem::Element(int i, int j) {
    Data& d = *d_;
    const int n = d.n;
    if (i > n || j > n) {
        if (i > n && j > n) return d.last;
        return d.b[size_t(std::min(i, j) - 1)];
    }
    if (double* e = d.Find(i, j)) return *e;
    d.outside = true;
    d.spare = 0.0;
    return d.spare;
}

int SparseSystem::Solve() {
    Data& d = *d_;
    if (d.outside) return SolveUseReference;
    try {
        if (d.datum.columns == 0) {
            const int r = d.Decompose(d.plain);
            d.factored = r == 1;
            return r;
        }
        BalanceDatumVectors(d.datum, d.extended, [&d](int u) { return *d.Find(u, u); });
        // M = N + P, the pins added inside the factor, in its precision.
        d.pinWeights.clear();
        d.added.clear();
        for (const int u : d.pins) {
            d.pinWeights.push_back(DatumUpdate::PinWeight(*d.Find(u, u)));
            d.added.emplace_back(u - 1, d.pinWeights.back());
        }
        const int r = d.Decompose(d.plain, d.added);
        if (r != 1) return r;
        const bool built = d.update.Build(
            d.n, d.datum, d.pins, d.pinWeights, [&d](long double* x, int m) { d.plain.factor.Solve(x, m); },
            [&d](const double* x, double* y, double* magnitude) { d.Multiply(x, y, magnitude); });
        if (!built) return SolveUseReference;
        d.factored = true;
        return 1;
    } catch (const std::bad_alloc&) {
        return SolveUseReference;
    }
}

void SparseSystem::Corrections(std::vector<double>& x) {
    Data& d = *d_;
    const LowerColumns normal{d.n, d.a.outerIndexPtr(), d.a.innerIndexPtr(), d.a.valuePtr()};
    std::vector<long double> y;
    // K^-1 v: by the factor of N, or of M and the datum terms' low-rank correction.
    const auto solve = [&d, &y](double* v) {
        if (d.datum.columns == 0) {
            d.plain.factor.Solve(v);
            return;
        }
        y.assign(v, v + d.n);
        d.plain.factor.Solve(y.data());
        d.update.Apply(v, y.data());
        std::copy(y.begin(), y.end(), v);
    };
    d.last += RefinedCorrections(normal, d.b.data(), d.datum, d.extended, solve, x, &refinement_);
}

double SparseSystem::WeightedSquareSum() const { return d_->last; }

bool SparseSystem::PrepareCofactors() { return d_->Invert(); }

double SparseSystem::Cofactor(int i, int j) const {
    Data& d = *d_;
    if (!d.Invert()) return 0.0;
    if (i < j) std::swap(i, j);
    if (d.datum.columns == 0) return d.InverseElement(d.plain, i, j);
    long double q = d.preciseInverse ? d.InverseElement(*d.precise, i, j) : d.InverseElement(d.plain, i, j);
    q -= d.update.Correction(i, j) + Data::Term(d.extended, d.extendedRow, i, j);
    return double(q);
}

const SparseWork& SparseSystem::Work() const { return d_->work; }
long SparseSystem::PatternSize() const { return long(d_->a.nonZeros()) - d_->n; }
long SparseSystem::FactorSize() const { return d_->plain.factor.Size(); }

}  // namespace quenvar
