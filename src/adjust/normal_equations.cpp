#include "adjust/normal_equations.h"

#include "adjust/observation_rows.h"

namespace quenvar {
namespace {

// The directions of one station in direction mode. Each reduced row is a - m, a the
// direction's own row (the target and the station) and m the station's weighted mean row, so
// it touches every unknown the station sights. Rather than accumulating all those products
// row by row, the unknowns' block is gathered as
//   sum p (a - m)(a - m)^T = sum p a a^T - t m^T - m t^T + [p] m m^T,  t = sum p a,
// in time proportional to the square of the station's directions, not their cube. The
// right-hand side and the misclosure square take the reduced row as it is.
class StationBlock {
public:
    bool Allocate(int n) { return sums_.Allocate(n) && places_.Allocate(n); }

    void Begin() {
        sums_.Clear();
        weight_ = 0.0;
    }

    // Adds the direction whose own row (misclosure included) is `own`; clears it.
    void Add(WorkRow& own, const WorkRow& mean, NormalAccumulator& matrix, double p) {
        const int n = own.Unknowns();
        own.SortPlaces();
        const std::vector<int>& places = own.Places();
        for (size_t c = 0; c < places.size(); ++c) {
            const int j = places[c];
            if (j > n) continue;
            sums_.Add(j, p * own.Value(j));
            for (size_t r = c; r < places.size(); ++r) {
                const int i = places[r];
                if (i <= n) matrix.Element(i, j) += p * own.Value(j) * own.Value(i);
            }
        }
        weight_ += p;
        // The misclosure column of the reduced row: over the own places and the mean's.
        const double l = own.Value(n + 1) - mean.Value(n + 1);
        const double pl = p * l;
        for (const int j : own.Places())
            if (j <= n) AddRightHandSide(matrix, n, j, p, own.Value(j) - mean.Value(j), l);
        for (const int j : mean.Places())
            if (j <= n && !own.Touched(j)) AddRightHandSide(matrix, n, j, p, -mean.Value(j), l);
        if (l != 0.0) matrix.Element(n + 1, n + 1) += pl * l;
        own.Clear();
    }

    // Adds the mean-row terms of the station's block.
    void Finish(const WorkRow& mean, NormalAccumulator& matrix) {
        const int n = mean.Unknowns();
        places_.Clear();
        for (const int j : mean.Places())
            if (j <= n) places_.Add(j, 0.0);
        for (const int j : sums_.Places()) places_.Add(j, 0.0);
        places_.SortPlaces();
        const std::vector<int>& u = places_.Places();
        for (size_t c = 0; c < u.size(); ++c) {
            const int j = u[c];
            const double mj = mean.Value(j), tj = sums_.Value(j);
            for (size_t r = c; r < u.size(); ++r) {
                const int i = u[r];
                const double mi = mean.Value(i), ti = sums_.Value(i);
                matrix.Element(i, j) += weight_ * mi * mj - ti * mj - mi * tj;
            }
        }
        places_.Clear();
    }

private:
    // Element (n + 1, j) of a reduced row of weight p with coefficient rj and misclosure l, as
    // a plain row accumulation adds it.
    static void AddRightHandSide(NormalAccumulator& matrix, int n, int j, double p, double rj, double l) {
        if (rj != 0.0 && l != 0.0) matrix.Element(n + 1, j) += p * rj * l;
    }

    WorkRow sums_;    // t = sum p a over the station's unknowns
    WorkRow places_;  // the unknowns of the block
    double weight_ = 0.0;
};

}  // namespace

int FormNormalEquations(Network& net, NormalAccumulator& matrix, int n, const UnknownMap& map, bool angleMode) {
    WorkRow row;
    WorkRow meanRow;
    StationBlock block;
    if (!row.Allocate(n) || !meanRow.Allocate(n) || !block.Allocate(n)) return 0;
    const bool eliminate = PlaneNetwork(net) && !angleMode;
    DirectionChain chain;
    int m = 0;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const int ki = map[size_t(i)];
        if (ki < 0) continue;
        if (eliminate && EliminateOrientation(net, map, i, meanRow, true) > 1e-10f) --m;
        chain.Begin();
        block.Begin();
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const int j = r.target;
            const int kj = MapOf(map, j);
            if (kj < 0 || WeightOf(net, o) < 1e-10f || !Usable(net, r)) continue;
            const int kind = KindOf(r);
            // Between fixed points the row holds only the misclosure: it adds p l^2 to [pvv].
            const bool reduced = eliminate && kind == KindDirection;
            if (ObservationRow(net, map, nullptr, row, kind, true, i, j, chain, r.value, angleMode)) {
                if (reduced) {
                    block.Add(row, meanRow, matrix, WeightOf(net, o));
                } else {
                    AccumulateRow(row, matrix, WeightOf(net, o));
                }
                ++m;
            } else {
                row.Clear();
            }
            if (angleMode && kind == KindDirection) chain.notFirst = true;
        }
        if (eliminate) block.Finish(meanRow, matrix);
    }
    return m;
}

}  // namespace quenvar
