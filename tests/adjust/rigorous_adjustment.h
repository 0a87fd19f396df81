// A textbook Gauss-Markov adjustment for reference values, written independently of the
// library's solver: explicit orientation unknowns for direction sets, dense observation
// equations, and the datum either by fixed points or by inner constraints over chosen datum
// points (bordered normal equations).
#pragma once

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "geom/angles.h"
#include "netdb/network.h"
#include "tests/adjust/dense_algebra.h"

namespace quenvar::testing {

struct RefPoint {
    double x = 0.0, y = 0.0, h = 0.0;  // metres
    bool fixed = false;
    bool datum = true;  // defines the datum of a network without fixed points
};

struct RefObs {
    int kind;       // KindDirection, KindAzimuth, KindDistance or KindLevelled
    int from, to;   // points counted from 0
    double value;   // radians or metres
    double weight;
};

struct RefResult {
    std::vector<RefPoint> points;  // adjusted
    double sigma0 = 0.0;           // a-posteriori unit-weight error
    int redundancy = 0;
    std::vector<int> first;        // first coordinate unknown of each point (0-based), -1 if fixed
    Dense q{0, 0};                 // cofactors of all unknowns
    std::vector<double> v;         // residuals of the last pass, computed minus observed
    std::vector<double> qll;       // cofactors of the adjusted observations, a Q a^T
};

// Borders the normal matrix in the top left of `big` (u unknowns, `first` the first unknown of
// each point or -1) with the inner constraints over the datum points: the translations, plus
// rotation and scale when asked, about the datum points' centroid.
inline void BorderWithInnerConstraints(Dense& big, size_t u, const std::vector<RefPoint>& pts,
                                       const std::vector<int>& first, bool plane, bool rotation, bool scale) {
    double mx = 0, my = 0, c = 0;
    for (const RefPoint& p : pts)
        if (p.datum) mx += p.x, my += p.y, c += 1;
    mx /= c, my /= c;
    for (size_t p = 0; p < pts.size(); ++p) {
        if (!pts[p].datum) continue;
        const size_t f = size_t(first[p]);
        if (!plane) {
            big(f, u) = big(u, f) = 1.0;
            continue;
        }
        const double ex = pts[p].x - mx, ey = pts[p].y - my;
        size_t k = u;
        big(f, k) = big(k, f) = 1.0, ++k;
        big(f + 1, k) = big(k, f + 1) = 1.0, ++k;
        if (rotation) big(f, k) = big(k, f) = -ey, big(f + 1, k) = big(k, f + 1) = ex, ++k;
        if (scale) big(f, k) = big(k, f) = ex, big(f + 1, k) = big(k, f + 1) = ey;
    }
}

// Runs `passes` linearised passes. Plane networks (plane set) have X, Y unknowns per free point
// and one orientation unknown per station with directions; the inner constraints hold the
// translations, plus rotation and scale when asked, over the datum points.
inline RefResult RigorousAdjustment(std::vector<RefPoint> pts, const std::vector<RefObs>& obs, bool plane,
                                    int passes, bool rotationFree = false, bool scaleFree = false) {
    RefResult res;
    const size_t np = pts.size(), per = plane ? 2 : 1;
    size_t u = 0;
    res.first.assign(np, -1);
    for (size_t p = 0; p < np; ++p)
        if (!pts[p].fixed) res.first[p] = int(u), u += per;
    std::vector<int> omega(np, -1);
    std::vector<double> omegaValue(np, 0.0);
    for (const RefObs& o : obs)
        if (o.kind == KindDirection && omega[size_t(o.from)] < 0) {
            omega[size_t(o.from)] = int(u++);
            const RefPoint &a = pts[size_t(o.from)], &b = pts[size_t(o.to)];
            omegaValue[size_t(o.from)] = std::atan2(b.y - a.y, b.x - a.x) - o.value;
        }
    bool anyFixed = false;
    for (const RefPoint& p : pts) anyFixed = anyFixed || p.fixed;
    const size_t d = anyFixed ? 0 : (plane ? 2 + (rotationFree ? 1 : 0) + (scaleFree ? 1 : 0) : 1);
    const size_t m = obs.size();
    // Angles are kept in 0 .. FullCircle, the circle the observations were normalised with.
    auto wrap = [](double a) { return a - FullCircle * std::round(a / FullCircle); };
    for (int pass = 0; pass < passes; ++pass) {
        Dense a(m, u), l(m, 1);
        for (size_t k = 0; k < m; ++k) {
            const RefObs& o = obs[k];
            const RefPoint &s = pts[size_t(o.from)], &t = pts[size_t(o.to)];
            const int fs = res.first[size_t(o.from)], ft = res.first[size_t(o.to)];
            if (!plane) {
                if (ft >= 0) a(k, size_t(ft)) = 1.0;
                if (fs >= 0) a(k, size_t(fs)) = -1.0;
                l(k, 0) = o.value - (t.h - s.h);
                continue;
            }
            const double dx = t.x - s.x, dy = t.y - s.y, s2 = dx * dx + dy * dy, dist = std::sqrt(s2);
            const double az = std::atan2(dy, dx);
            double cx = 0, cy = 0;  // derivatives by the target's X and Y
            if (o.kind == KindDistance) {
                cx = dx / dist, cy = dy / dist;
                l(k, 0) = o.value - dist;
            } else {
                cx = -dy / s2, cy = dx / s2;
                const double computed = o.kind == KindDirection ? az - omegaValue[size_t(o.from)] : az;
                l(k, 0) = wrap(o.value - computed);
                if (o.kind == KindDirection) a(k, size_t(omega[size_t(o.from)])) = -1.0;
            }
            if (ft >= 0) a(k, size_t(ft)) += cx, a(k, size_t(ft) + 1) += cy;
            if (fs >= 0) a(k, size_t(fs)) -= cx, a(k, size_t(fs) + 1) -= cy;
        }
        // Bordered normal equations [N C; C^T 0].
        Dense big(u + d, u + d), rhs(u + d, 1);
        for (size_t k = 0; k < m; ++k)
            for (size_t i = 0; i < u; ++i) {
                if (a(k, i) == 0.0) continue;
                rhs(i, 0) += a(k, i) * obs[k].weight * l(k, 0);
                for (size_t j = 0; j < u; ++j) big(i, j) += a(k, i) * obs[k].weight * a(k, j);
            }
        if (d > 0) BorderWithInnerConstraints(big, u, pts, res.first, plane, rotationFree, scaleFree);
        const Dense inv = Inverse(big);
        res.q = Dense(u, u);
        for (size_t i = 0; i < u; ++i)
            for (size_t j = 0; j < u; ++j) res.q(i, j) = inv(i, j);
        const Dense x = Multiply(inv, rhs);
        double vpv = 0.0;
        res.v.assign(m, 0.0);
        res.qll.assign(m, 0.0);
        for (size_t k = 0; k < m; ++k) {
            double ax = 0.0;
            for (size_t i = 0; i < u; ++i) {
                ax += a(k, i) * x(i, 0);
                for (size_t j = 0; j < u && a(k, i) != 0.0; ++j) res.qll[k] += a(k, i) * res.q(i, j) * a(k, j);
            }
            res.v[k] = ax - l(k, 0);
            vpv += obs[k].weight * res.v[k] * res.v[k];
        }
        for (size_t p = 0; p < np; ++p) {
            const int f = res.first[p];
            if (f < 0) continue;
            if (plane) {
                pts[p].x += x(size_t(f), 0), pts[p].y += x(size_t(f) + 1, 0);
            } else {
                pts[p].h += x(size_t(f), 0);
            }
        }
        for (size_t p = 0; p < np; ++p)
            if (omega[p] >= 0) omegaValue[p] += x(size_t(omega[p]), 0);
        res.redundancy = int(m) - int(u) + int(d);
        res.sigma0 = std::sqrt(vpv / res.redundancy);
    }
    res.points = pts;
    return res;
}

// The points and usable class-0 observations of a network in the reference form, points in
// index order; `weight` gives each observation's weight.
template <class Weight>
void ReferenceOf(const Network& net, std::vector<RefPoint>& pts, std::vector<RefObs>& obs, Weight weight) {
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const PointRec& p = net.Point(i);
        const int cls = net.hdr.heightMode == 0 ? PlaneClass(p) : HeightClass(p);
        pts.push_back({p.x, p.y, p.h, cls == PointKnown, cls == PointSpecial});
    }
    bool special = false;
    for (const RefPoint& p : pts) special = special || p.datum;
    for (RefPoint& p : pts) p.datum = p.datum || !special;
    for (int i = 1; i <= net.hdr.pointCount; ++i)
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const int kind = KindOf(r);
            const bool adjusted = net.hdr.heightMode == 0
                                      ? kind == KindDirection || kind == KindAzimuth || kind == KindDistance
                                      : kind == KindLevelled;
            if (adjusted && ObsClassOf(r) == ClassOrdinary) obs.push_back({kind, i - 1, r.target - 1, r.value, weight(o)});
        }
}

// The reference of a plane network weighted by its a-priori errors: 1 for directions and
// azimuths, (s0 / m)^2 for distances, m the constant plus the ppm part (4-byte weights).
inline RefResult PlaneReference(const Network& net, int passes, bool rotationFree = false) {
    std::vector<RefPoint> pts;
    std::vector<RefObs> obs;
    ReferenceOf(net, pts, obs, [&net](int o) {
        const ObsRec& r = net.Obs(o);
        const double s0 = net.hdr.dirSigma, m = net.hdr.distSigmaConst + net.hdr.distSigmaPpm * r.value * 1e-6;
        return KindOf(r) == KindDistance ? double(float((s0 / m) * (s0 / m))) : 1.0;
    });
    return RigorousAdjustment(pts, obs, true, passes, rotationFree);
}

// The adjusted plane network agrees with the reference: unit-weight error and every point.
inline void ExpectPlaneReference(const Network& net, const RefResult& ref) {
    EXPECT_NEAR(net.hdr.planeSigma0, ref.sigma0, 1e-5 * ref.sigma0);
    for (int p = 1; p <= net.hdr.pointCount; ++p) {
        EXPECT_NEAR(net.Point(p).x, ref.points[size_t(p - 1)].x, 1e-8) << p;
        EXPECT_NEAR(net.Point(p).y, ref.points[size_t(p - 1)].y, 1e-8) << p;
    }
}

}  // namespace quenvar::testing
