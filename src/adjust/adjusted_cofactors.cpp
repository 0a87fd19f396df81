#include "adjust/adjusted_cofactors.h"

#include <algorithm>
#include <new>
#include <vector>

#include "adjust/observation_rows.h"

namespace quenvar {
namespace {

// Unknowns of one station kept in its cofactor table: 256 x 256 pairs, about 0.6 MB.
constexpr int LargestStationTable = 256;

// The cofactors read for one station's observations, each taken from Q once: the rows of a
// station share its own unknowns and, for directions, its mean row, so the same pairs are read
// again and again. The unknowns are numbered in the order they are met; the table holds the
// pairs of those numbers. It grows with the square of a station's unknowns, so it has room for
// the first LargestStationTable of them; the cofactors of the rest are read from Q.
class StationQ {
public:
    explicit StationQ(const CofactorMatrix& q) : q_(q) {}

    // Room for unknowns 1..n; false when memory is short.
    bool Allocate(int n) {
        try {
            local_.assign(size_t(n) + 1, -1);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Starts a station whose observations reach at most `places` unknowns and forgets the
    // previous one's. Without the memory for a larger table every cofactor is read from Q.
    void Begin(int places) {
        places = std::min(places, LargestStationTable);
        for (size_t r = 0; r < met_.size(); ++r) {
            local_[size_t(met_[r])] = -1;
            std::fill_n(known_.begin() + std::ptrdiff_t(r * size_t(room_)), r + 1, char(0));
        }
        met_.clear();
        if (places <= room_) return;
        try {
            known_.assign(size_t(places) * size_t(places), 0);
            values_.resize(known_.size());
            met_.reserve(size_t(places));
            room_ = places;
        } catch (const std::bad_alloc&) {
            known_.clear();
            values_.clear();
            room_ = 0;
        }
    }

    double operator()(int i, int j) {
        const int a = Local(i), b = Local(j);
        if (a < 0 || b < 0) return q_.Cofactor(i, j);
        const size_t at = size_t(std::max(a, b)) * size_t(room_) + size_t(std::min(a, b));
        if (!known_[at]) {
            values_[at] = q_.Cofactor(i, j);
            known_[at] = 1;
        }
        return values_[at];
    }

private:
    // The number of unknown u in this station, -1 beyond the room of the table.
    int Local(int u) {
        int& l = local_[size_t(u)];
        if (l < 0 && int(met_.size()) < room_) {
            l = int(met_.size());
            met_.push_back(u);
        }
        return l;
    }

    const CofactorMatrix& q_;
    std::vector<int> local_;  // number of each unknown in the station, or -1
    std::vector<int> met_;    // the unknowns met, in order
    std::vector<char> known_;
    std::vector<double> values_;
    int room_ = 0;
};

// a^T Q a over the nonzero unknown places of a row, each pair of places read once.
double QuadraticForm(const WorkRow& a, StationQ& q, int n) {
    const std::vector<int>& places = a.Places();
    double sum = 0.0;
    for (size_t r = 0; r < places.size(); ++r) {
        const int i = places[r];
        if (i > n) continue;
        const double ai = a.Value(i);
        sum += ai * q(i, i) * ai;
        for (size_t c = r + 1; c < places.size(); ++c) {
            const int j = places[c];
            if (j <= n) sum += 2.0 * ai * q(i, j) * a.Value(j);
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

    double Reduced(const WorkRow& own, StationQ& q, int n) {
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
    double QM(int i, StationQ& q, int n) {
        if (qm_.Touched(i)) return qm_.Value(i);
        double s = 0.0;
        for (const int j : mean_->Places())
            if (j <= n) s += q(i, j) * mean_->Value(j);
        qm_.Add(i, s);
        return s;
    }

    const WorkRow* mean_ = nullptr;
    WorkRow qm_;
    double mqm_ = 0.0;
    bool mqmKnown_ = false;
};

}  // namespace

int ComputeAdjustedCofactors(Network& net, const CofactorMatrix& cofactors, int n, const UnknownMap& map,
                             bool angleMode, CofactorSink* sink) {
    WorkRow row;
    WorkRow meanRow;
    StationCofactors station;
    StationQ q(cofactors);
    if (!row.Allocate(n) || !meanRow.Allocate(n) || !station.Allocate(n) || !q.Allocate(n)) return 0;
    const bool eliminate = PlaneNetwork(net) && !angleMode;
    const bool design = net.hdr.designMode != 0;
    DirectionChain chain;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] < 0) continue;
        q.Begin(StationUnknowns(net, i));
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
