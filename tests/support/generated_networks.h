// Generated traverse meshes of any size for the solver comparisons and the timings.
//
// The points lie on a jittered grid of rows 150 m apart, 200 m between neighbours. The first
// and the last point of every row are known. Every row is a traverse: each station observes
// directions to its west and east neighbours and the distance to its east neighbour; every
// fourth column (or as asked) also ties the rows together by directions to the points north
// and south, so the normal matrix is a two-dimensional mesh. The known end points orient on
// their known neighbours in the rows above and below. Observations carry deterministic errors
// of about one arc-second and two millimetres. The height mesh levels the same lines (height
// differences with their line lengths), known points at the same places.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar::testing {

enum class MeshKind { Plane, Height };

class TraverseMesh {
public:
    // A mesh of the given number of points (at least 4), the last row perhaps shorter, its
    // rows tied together at every `tieEvery`-th column.
    explicit TraverseMesh(int points, int tieEvery = 4) : tieEvery_(std::max(1, tieEvery)) {
        count_ = std::max(4, points);
        cols_ = std::max(2, int(std::lround(std::sqrt(count_ * 1.6))));
    }

    int Points() const { return count_; }

    // Builds the mesh into an empty database; `knownEvery` > 1 keeps only every such row's
    // end points known, 0 makes every point unknown (a free network).
    void Build(NetworkBuilder& b, Network& net, MeshKind kind, int knownEvery = 1) const {
        Reserve(net);
        for (int p = 0; p < count_; ++p) {
            const int cls = Known(p, knownEvery) ? PointKnown : PointUnknown;
            char name[8];
            std::snprintf(name, sizeof name, "P%d", (p + 1) % 100000);
            if (kind == MeshKind::Plane) {
                const bool given = cls == PointKnown || knownEvery == 0;
                b.Point(name, given ? X(p) : 0.0, given ? Y(p) : 0.0, 0.0, cls, 0);
            } else {
                b.Point(name, 0.0, 0.0, cls == PointKnown || knownEvery == 0 ? H(p) : 0.0, 0, cls);
            }
        }
        last_.assign(size_t(count_), 0);
        for (int p = 0; p < count_; ++p) {
            if (kind == MeshKind::Plane) {
                Station(net, p);
            } else {
                Levelling(net, p);
            }
        }
        net.hdr.heightMode = kind == MeshKind::Height ? 1 : 0;
        net.hdr.dirSigma = float(DmsToRadians(0.0001));
        net.hdr.distSigmaConst = 0.002f;
        net.hdr.distSigmaPpm = 2.0f;
        net.hdr.levelSigma = 0.002f;
    }

private:
    // A network this large fills the database's four units: the arrays take that size at once,
    // and observations are linked in directly, as a loaded file of that size holds them.
    void Reserve(Network& net) const {
        if (count_ + 4 < net.PointCapacity()) return;
        net.hdr.capacityStep = 3;
        net.points.resize(4 * PointsPerUnit, PointRec{});
        net.stations.resize(4 * PointsPerUnit, StationRec{});
        net.obs.resize(4 * ObsPerUnit, ObsRec{});
    }

    // Appends an observation to station s (counted from 0) behind its last one.
    void Obs(Network& net, int s, int t, int kind, double value) const {
        const int o = ++net.hdr.obsCount;
        ObsRec& r = net.Obs(o);
        r.target = uint16_t(t + 1);
        r.value = value;
        r.code = MakeCode(kind, 0);
        r.next = 0;
        PointRec& station = net.Point(s + 1);
        if (station.firstObs == 0) {
            station.firstObs = uint16_t(o);
        } else {
            net.Obs(last_[size_t(s)]).next = uint16_t(o);
        }
        last_[size_t(s)] = o;
    }

    int Row(int p) const { return p / cols_; }
    int Col(int p) const { return p % cols_; }
    bool Exists(int r, int c) const { return r >= 0 && c >= 0 && c < cols_ && r * cols_ + c < count_; }
    int LastCol(int r) const { return std::min(cols_, count_ - r * cols_) - 1; }
    bool Known(int p, int every) const {
        if (every == 0) return false;
        const int r = Row(p), c = Col(p);
        return r % every == 0 && (c == 0 || c == LastCol(r));
    }
    double X(int p) const { return 30000.0 + 150.0 * Row(p) + 9.0 * std::sin(1.3 * p); }
    double Y(int p) const { return 50000.0 + 200.0 * Col(p) + 11.0 * std::cos(0.7 * p); }
    double H(int p) const { return 100.0 + 20.0 * std::sin(0.05 * Row(p)) + 15.0 * std::cos(0.08 * Col(p)) + 0.3 * std::sin(p); }
    static double Error(int p, int k) { return std::sin(1.7 * p + 2.3 * k + 0.4); }

    void Sight(Network& net, int s, int t, int k, double zero, bool distance) const {
        const double az = std::atan2(Y(t) - Y(s), X(t) - X(s));
        Obs(net, s, t, KindDirection, NormalizeAngle(az - zero + 5e-6 * Error(s, k)));
        if (distance) Obs(net, s, t, KindDistance, std::hypot(X(t) - X(s), Y(t) - Y(s)) + 0.002 * Error(s, k + 7));
    }

    void Station(Network& net, int p) const {
        const int r = Row(p), c = Col(p), last = LastCol(r);
        const double zero = NormalizeAngle(0.37 * p);  // azimuth of the circle's zero
        const bool tie = c % tieEvery_ == 0 || c == last;
        if (c > 0) Sight(net, p, p - 1, 0, zero, false);
        if (c < last) Sight(net, p, p + 1, 1, zero, true);
        if (tie && Exists(r - 1, c)) Sight(net, p, p - cols_, 2, zero, false);
        if (tie && Exists(r + 1, c)) Sight(net, p, p + cols_, 3, zero, false);
    }

    void Levelling(Network& net, int p) const {
        const int r = Row(p), c = Col(p);
        auto line = [&](int t, int k) {
            const double length = t == p + 1 ? 200.0 : 150.0;
            Obs(net, p, t, KindLevelled, H(t) - H(p) + 0.001 * Error(p, k));
            Obs(net, p, t, KindLineLength, length);
        };
        if (c < LastCol(r)) line(p + 1, 0);
        if (c % tieEvery_ == 0 && Exists(r + 1, c)) line(p + cols_, 1);
    }

    int cols_ = 0;
    int tieEvery_ = 4;
    mutable std::vector<int> last_;  // last observation of each station while building
    int count_ = 0;
};

}  // namespace quenvar::testing
