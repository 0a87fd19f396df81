#include "adjust/normal_equations.h"

#include "adjust/observation_rows.h"

namespace quenvar {

int FormNormalEquations(Network& net, NormalMatrix& matrix, int n, const UnknownMap& map, bool angleMode) {
    WorkRow row;
    WorkRow meanRow;
    if (!row.Allocate(n) || !meanRow.Allocate(n)) return 0;
    const bool eliminate = PlaneNetwork(net) && !angleMode;
    DirectionChain chain;
    int m = 0;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const int ki = map[size_t(i)];
        if (ki < 0) continue;
        if (eliminate && EliminateOrientation(net, map, i, meanRow, true) > 1e-10f) --m;
        chain.Begin();
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const int j = r.target;
            const int kj = MapOf(map, j);
            if (kj < 0 || WeightOf(net, o) < 1e-10f || !Usable(net, r)) continue;
            const int kind = KindOf(r);
            // Between fixed points the row holds only the misclosure: it adds p l^2 to [pvv].
            if (ObservationRow(net, map, eliminate ? &meanRow : nullptr, row, kind, true, i, j, chain, r.value,
                               angleMode)) {
                AccumulateRow(row, matrix, WeightOf(net, o));
                ++m;
            } else {
                row.Clear();
            }
            if (angleMode && kind == KindDirection) chain.notFirst = true;
        }
    }
    return m;
}

}  // namespace quenvar
