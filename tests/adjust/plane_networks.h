// Small plane networks generated from true coordinates for the adjustment tests.
#pragma once

#include <cmath>
#include <vector>

#include "geom/angles.h"
#include "tests/adjust/dense_algebra.h"
#include "tests/support/network_builder.h"

namespace quenvar::testing {

struct TruePoint {
    const char* name;
    double x, y;
    int planeClass;
    double orientation;  // azimuth of the zero direction of its direction set, radians
};

struct Sighting {
    int station, target, kind;  // points counted from 1 in the order of TruePoint
};

// Writes the points (unknown ones displaced by offset metres) and the observations, each
// computed from the true coordinates plus noise x scale (radians or metres).
inline void BuildPlaneNetwork(NetworkBuilder& b, const std::vector<TruePoint>& pts,
                              const std::vector<Sighting>& sightings, double angleNoise, double distNoise,
                              unsigned seed, double offset = 0.04) {
    Noise noise(seed);
    for (const TruePoint& p : pts) {
        const double d = p.planeClass == 1 ? 0.0 : offset;
        b.Point(p.name, p.x + d, p.y - 0.5 * d, 0.0, p.planeClass);
    }
    for (const Sighting& s : sightings) {
        const TruePoint& a = pts[size_t(s.station - 1)];
        const TruePoint& t = pts[size_t(s.target - 1)];
        const double dx = t.x - a.x, dy = t.y - a.y;
        const double az = NormalizeAngle(std::atan2(dy, dx));
        const double e = noise.Next();
        double value = std::sqrt(dx * dx + dy * dy) + distNoise * e;
        if (s.kind == KindDirection) value = NormalizeAngle(az - a.orientation) + angleNoise * e;
        if (s.kind == KindAzimuth) value = az + angleNoise * e;
        b.Obs(s.station, s.target, s.kind, value);
    }
}

// Two fixed and three unknown points with directions at every station, distances and one
// azimuth.
inline std::vector<TruePoint> TriangulationPoints() {
    return {{"A", 1000, 1000, 1, 0.7}, {"B", 1800, 1200, 1, 1.9}, {"P", 1300, 1600, 0, 4.0},
            {"Q", 1900, 1900, 0, 2.5}, {"R", 1100, 2300, 0, 5.2}};
}

inline std::vector<Sighting> TriangulationSightings() {
    return {{1, 2, 0}, {1, 3, 0}, {1, 5, 0}, {2, 1, 0}, {2, 3, 0}, {2, 4, 0}, {3, 1, 0}, {3, 2, 0},
            {3, 4, 0}, {3, 5, 0}, {4, 2, 0}, {4, 3, 0}, {4, 5, 0}, {5, 1, 0}, {5, 3, 0}, {5, 4, 0},
            {1, 3, 4}, {2, 4, 4}, {3, 4, 4}, {3, 5, 4}, {4, 5, 4}, {3, 4, 1}};
}

// The triangulation with only A fixed and its azimuth kept out: the rotation is free, the
// normal equations singular.
inline void BuildRotationFreeTriangulation(NetworkBuilder& b, Network& net) {
    auto pts = TriangulationPoints();
    pts[1].planeClass = 0;
    BuildPlaneNetwork(b, pts, TriangulationSightings(), 1e-5, 0.002, 4);
    for (int o = 1; o <= net.hdr.obsCount; ++o)
        if (KindOf(net.Obs(o)) == KindAzimuth) SetObsClass(net.Obs(o), ClassKept);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
}

}  // namespace quenvar::testing
