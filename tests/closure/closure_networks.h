// Small plane networks with exact observations, built from true coordinates, for the closure
// tests: directions are the azimuths themselves (every station oriented at 0), distances the
// coordinate distances.
#pragma once

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "closure/closure_loop.h"
#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar::testing {

inline constexpr double Arcsec = 3.141592653589793 / 180.0 / 3600.0;  // radians

inline double TrueAzimuth(const Network& net, int from, int to) {
    const PointRec& a = net.Point(from);
    const PointRec& b = net.Point(to);
    double az = std::atan2(b.y - a.y, b.x - a.x);
    return az < 0 ? az + 2 * 3.141592653589793 : az;
}

inline double TrueDistance(const Network& net, int a, int b) {
    return std::hypot(net.Point(b).x - net.Point(a).x, net.Point(b).y - net.Point(a).y);
}

// Direction station -> target with its true azimuth plus an error (radians).
inline int Direction(NetworkBuilder& b, Network& net, int s, int t, double error = 0.0) {
    return b.Obs(s, t, KindDirection, NormalizeAngle(TrueAzimuth(net, s, t) + error));
}

inline int Distance(NetworkBuilder& b, Network& net, int s, int t, double error = 0.0, int obsClass = 0) {
    return b.Obs(s, t, KindDistance, TrueDistance(net, s, t) + error, obsClass);
}

// The interior angle at c of the triangle c, a, b from the coordinates (radians).
inline double InteriorAngle(const Network& net, int a, int c, int b) {
    double d = std::fabs(TrueAzimuth(net, c, a) - TrueAzimuth(net, c, b));
    return d > 3.141592653589793 ? 2 * 3.141592653589793 - d : d;
}

// A loop of the given elements as the search leaves it.
inline ClosureLoop MakeLoop(std::vector<int16_t> elements, bool closed, int kind, int orientation = 0) {
    ClosureLoop loop;
    loop.elements = std::move(elements);
    loop.count = int16_t(loop.elements.size());
    loop.SetClosed(closed ? 1 : 0);
    loop.SetKind(kind);
    loop.SetOrientation(orientation);
    return loop;
}

// A connecting traverse A-P1-P2-B with orientation points A0 and B0: legs of 200 m at 120
// degrees, 300 m at 30 degrees and 200 m at 130 degrees; the middle leg measured 0.05 m long.
struct Traverse {
    Network net;
    NetworkBuilder b{net};
    int A0, A, P1, P2, B, B0;

    Traverse(bool startOriented, bool endOriented) {
        auto at = [](double x, double y, double az, double len) {
            return std::pair{x + len * std::cos(az * DegToRad), y + len * std::sin(az * DegToRad)};
        };
        const auto p1 = at(1000, 1000, 120, 200), p2 = at(p1.first, p1.second, 30, 300);
        const auto pb = at(p2.first, p2.second, 130, 200);
        A0 = b.Point("A0", 1000, 500, 0, 1);
        A = b.Point("A", 1000, 1000, 0, 1);
        P1 = b.Point("P1", p1.first, p1.second);
        P2 = b.Point("P2", p2.first, p2.second);
        B = b.Point("B", pb.first, pb.second, 0, 1);
        B0 = b.Point("B0", pb.first + 700, pb.second, 0, 1);
        if (startOriented) Direction(b, net, A, A0);
        Direction(b, net, A, P1);
        Distance(b, net, A, P1);
        Direction(b, net, P1, A);
        Direction(b, net, P1, P2);
        Distance(b, net, P1, P2, 0.05);
        Direction(b, net, P2, P1);
        Direction(b, net, P2, B);
        Distance(b, net, P2, B);
        Direction(b, net, B, P2);
        if (endOriented) Direction(b, net, B, B0);
    }

    ClosureLoop Candidate() const {
        return MakeLoop({int16_t(A), int16_t(P1), int16_t(P2), int16_t(B)}, false, LoopTraverseCandidate);
    }
};

}  // namespace quenvar::testing
