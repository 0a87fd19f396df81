#include "adjust/adjusted_cofactors.h"

#include "adjust/observation_rows.h"

namespace quenvar {
namespace {

// a^T Q a over the nonzero places of a row.
double QuadraticForm(const WorkRow& row, const NormalMatrix& q, int n) {
    double sum = 0.0;
    for (const int i : row.Places()) {
        if (i > n) continue;
        const double ai = row.Value(i);
        for (const int j : row.Places()) {
            if (j > n) continue;
            sum += ai * q.At(i, j) * row.Value(j);
        }
    }
    return sum;
}

}  // namespace

int ComputeAdjustedCofactors(Network& net, const NormalMatrix& q, int n, const UnknownMap& map, bool angleMode,
                             CofactorSink* sink) {
    WorkRow row;
    WorkRow meanRow;
    if (!row.Allocate(n) || !meanRow.Allocate(n)) return 0;
    const bool eliminate = PlaneNetwork(net) && !angleMode;
    const bool design = net.hdr.designMode != 0;
    DirectionChain chain;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] < 0) continue;
        float sumP = 0.0f;
        if (eliminate) sumP = EliminateOrientation(net, map, i, meanRow, false);
        chain.Begin();
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const float p = WeightOf(net, o);
            if (MapOf(map, r.target) < 0 || p < 1e-10f) continue;
            if (!Usable(net, r) && !(design && ObsClassOf(r) == ClassPlanned)) continue;
            const int kind = KindOf(r);
            const int built = ObservationRow(net, map, eliminate ? &meanRow : nullptr, row, kind, false, i, r.target,
                                             chain, r.value, angleMode);
            if (angleMode && kind == KindDirection) chain.notFirst = true;
            if (!built) {
                row.Clear();
                continue;
            }
            double c = QuadraticForm(row, q, n);
            if (kind == KindDirection && sumP > 1e-10f) c += 1.0 / sumP;
            CofactorOf(net, o) = float(c);
            if (sink) sink->Rated(o, row, p, c);
            row.Clear();
        }
    }
    return 1;
}

}  // namespace quenvar
