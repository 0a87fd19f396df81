#include "adjust/adjusted_cofactors.h"

#include "adjust/observation_rows.h"

namespace quenvar {
namespace {

// a^T Q a over the nonzero unknown places of a row, each pair of places read once.
double QuadraticForm(const WorkRow& a, const CofactorMatrix& q, int n) {
    const std::vector<int>& places = a.Places();
    double sum = 0.0;
    for (size_t r = 0; r < places.size(); ++r) {
        const int i = places[r];
        if (i > n) continue;
        const double ai = a.Value(i);
        sum += ai * q.Cofactor(i, i) * ai;
        for (size_t c = r + 1; c < places.size(); ++c) {
            const int j = places[c];
            if (j <= n) sum += 2.0 * ai * q.Cofactor(i, j) * a.Value(j);
        }
    }
    return sum;
}

// The cofactor of a reduced direction a - m of one station, m its mean row:
//   (a - m)^T Q (a - m) = a^T Q a - 2 a^T (Q m) + m^T Q m,
// with Q m (at the places a direction of the station touches) and m^T Q m computed once per
// station, so a station's directions cost the square of their number, not its cube.
class StationCofactors {
public:
    bool Allocate(int n) { return qm_.Allocate(n); }

    void Begin(const WorkRow* mean) {
        mean_ = mean;
        qm_.Clear();
        mqmKnown_ = false;
    }

    double Reduced(const WorkRow& own, const CofactorMatrix& q, int n) {
        double aqm = 0.0;
        for (const int i : own.Places())
            if (i <= n) aqm += own.Value(i) * QM(i, q, n);
        if (!mqmKnown_) {
            mqm_ = 0.0;
            for (const int i : mean_->Places())
                if (i <= n) mqm_ += mean_->Value(i) * QM(i, q, n);
            mqmKnown_ = true;
        }
        return QuadraticForm(own, q, n) - 2.0 * aqm + mqm_;
    }

private:
    // (Q m)_i, computed at its first use.
    double QM(int i, const CofactorMatrix& q, int n) {
        if (qm_.Touched(i)) return qm_.Value(i);
        double s = 0.0;
        for (const int j : mean_->Places())
            if (j <= n) s += q.Cofactor(i, j) * mean_->Value(j);
        qm_.Add(i, s);
        return s;
    }

    const WorkRow* mean_ = nullptr;
    WorkRow qm_;
    double mqm_ = 0.0;
    bool mqmKnown_ = false;
};

}  // namespace

int ComputeAdjustedCofactors(Network& net, const CofactorMatrix& q, int n, const UnknownMap& map, bool angleMode,
                             CofactorSink* sink) {
    WorkRow row;
    WorkRow meanRow;
    StationCofactors station;
    if (!row.Allocate(n) || !meanRow.Allocate(n) || !station.Allocate(n)) return 0;
    const bool eliminate = PlaneNetwork(net) && !angleMode;
    const bool design = net.hdr.designMode != 0;
    DirectionChain chain;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] < 0) continue;
        float sumP = 0.0f;
        if (eliminate) sumP = EliminateOrientation(net, map, i, meanRow, false);
        station.Begin(&meanRow);
        chain.Begin();
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const float p = WeightOf(net, o);
            if (MapOf(map, r.target) < 0 || p < 1e-10f) continue;
            if (!Usable(net, r) && !(design && ObsClassOf(r) == ClassPlanned)) continue;
            const int kind = KindOf(r);
            const bool reduced = eliminate && kind == KindDirection;
            const int built =
                ObservationRow(net, map, nullptr, row, kind, false, i, r.target, chain, r.value, angleMode);
            if (angleMode && kind == KindDirection) chain.notFirst = true;
            if (!built) {
                row.Clear();
                continue;
            }
            double c = reduced ? station.Reduced(row, q, n) : QuadraticForm(row, q, n);
            if (kind == KindDirection && sumP > 1e-10f) c += 1.0 / sumP;
            CofactorOf(net, o) = float(c);
            if (sink) {
                if (reduced) row.Subtract(meanRow);
                sink->Rated(o, row, p, c);
            }
            row.Clear();
        }
    }
    return 1;
}

}  // namespace quenvar
