#include "approx/intersections.h"

#include <cmath>
#include <cstring>

#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {

namespace {

constexpr double MinSightLength = 0.1;     // metres; also the margin for a ray's near intersection
constexpr double AngleTolerance = 5e-05;   // radians

GeoPoint Along(const GeoPoint& from, double distance, double azimuth) {
    return {from.x + distance * std::cos(azimuth), from.y + distance * std::sin(azimuth), 0.0};
}

// An ordinary circle or an angle circle as centre and radius.
bool AsCircle(const Network& net, const StationRec& locus, GeoPoint& circle) {
    if (LocusKind(locus) == LocusAngleCircle) return AngleCircle(net, locus, circle);
    circle = LocusPoint(net, locus);
    return true;
}

// Releases the observation marked as the source of u's double solution: first in u's own chain,
// then among the observations aimed at u.
void ReleaseDoubleObservation(Workspace& w, int u) {
    Network& net = w.net;
    int found = 0;
    for (int o = net.Point(u).firstObs; o != 0 && found == 0; o = net.Obs(o).next)
        if (StateBits(net.Obs(o)) == 4) found = o;
    if (found == 0) {
        for (const uint16_t o : w.Aiming(u)) {
            if (StateBits(net.Obs(o)) == 4) {
                found = o;
                break;
            }
        }
    }
    if (found == 0) return;
    SetStateBits(net.Obs(found), 0);
    w.TouchObservation(found);
}

// Takes c2 (k = 1) or c1 (k = -1) as the angle test decided, or keeps both (k = 0).
int SettleCandidates(Workspace& w, int u, int k, const GeoPoint& c1, const GeoPoint& c2) {
    if (k == 1) return SetPointPosition(w, u, c2);
    if (k == -1) return SetPointPosition(w, u, c1);
    return KeepDoubleSolution(w, u, c1, c2);
}

}  // namespace

GeoPoint LocusPoint(const Network& net, const StationRec& locus) {
    const PointRec& r = net.Point(LocusRef(locus));
    return {r.x, r.y, locus.locusValue};
}

bool AngleCircle(const Network& net, const StationRec& locus, GeoPoint& circle) {
    const double gamma = locus.locusValue;
    const double s = std::sin(gamma);
    if (s == 0.0) return false;
    const PointRec& p = net.Point(LocusRef(locus));
    const PointRec& q = net.Point(LocusRef2(locus));
    double chord = 0.0, alpha = 0.0;
    if (PolarFromDelta(q.x - p.x, q.y - p.y, chord, alpha) == 0) return false;
    const double radius = chord * 0.5 / std::fabs(s);
    double delta = gamma;
    if (delta < 0.0) delta += FullCircle;
    if (delta > HalfCircle) delta -= HalfCircle;
    if (!(radius > 0.0)) return false;
    circle = Along({p.x, p.y, 0.0}, radius, alpha - delta + 1.5707963268);
    circle.value = radius;
    return true;
}

int CheckAngleCandidates(const Network& net, const StationRec& locus, const GeoPoint& c1, const GeoPoint& c2) {
    if (LocusKind(locus) != LocusAngleCircle) return 0;
    const PointRec& p = net.Point(LocusRef(locus));
    const PointRec& q = net.Point(LocusRef2(locus));
    const double gamma = NormalizeAngle(locus.locusValue);
    auto agrees = [&](const GeoPoint& c) {
        double dp = 0.0, ap = 0.0, dq = 0.0, aq = 0.0;
        PolarFromDelta(p.x - c.x, p.y - c.y, dp, ap);
        PolarFromDelta(q.x - c.x, q.y - c.y, dq, aq);
        if (dp < MinSightLength || dq < MinSightLength) return false;
        return std::fabs(gamma - NormalizeAngle(aq - ap)) <= AngleTolerance;
    };
    if (!agrees(c1)) return 1;
    if (!agrees(c2)) return -1;
    return 0;
}

void StoreCandidates(PointRec& p, const GeoPoint& c1, const GeoPoint& c2) {
    const float xs[2] = {float(c1.x), float(c2.x)};
    const float ys[2] = {float(c1.y), float(c2.y)};
    std::memcpy(&p.x, xs, sizeof xs);
    std::memcpy(&p.y, ys, sizeof ys);
}

void LoadCandidates(const PointRec& p, GeoPoint& c1, GeoPoint& c2) {
    float xs[2], ys[2];
    std::memcpy(xs, &p.x, sizeof xs);
    std::memcpy(ys, &p.y, sizeof ys);
    c1 = {xs[0], ys[0], 0.0};
    c2 = {xs[1], ys[1], 0.0};
}

int KeepDoubleSolution(Workspace& w, int u, const GeoPoint& c1, const GeoPoint& c2) {
    PointRec& p = w.net.Point(u);
    if (FixStateOf(p) != FixDouble) {
        StoreCandidates(p, c1, c2);
        SetFixState(p, FixDouble);
        w.Touch(u);
        return 2;
    }
    GeoPoint s1, s2;
    LoadCandidates(p, s1, s2);
    auto apart = [](const GeoPoint& a, const GeoPoint& b) { return std::fabs(a.x - b.x) + std::fabs(a.y - b.y); };
    const double d1 = std::min(apart(c1, s1), apart(c1, s2));
    const double d2 = std::min(apart(c2, s1), apart(c2, s2));
    return SetPointPosition(w, u, d1 < d2 ? c1 : c2);
}

int SetPointPosition(Workspace& w, int u, const GeoPoint& c) {
    PointRec& p = w.net.Point(u);
    const bool wasDouble = FixStateOf(p) == FixDouble;
    p.x = c.x;
    p.y = c.y;
    SetFixState(p, FixComputed);
    // The observation that led to the double solution is processed again as a misclosure, but
    // only when the point now counts as located: for an excluded point (or a coordinate of
    // exactly 0) it would rebuild the same double solution and ask again without end.
    if (wasDouble && HasPlaneCoords(w.net, u)) ReleaseDoubleObservation(w, u);
    w.Touch(u);
    return 5;
}

int IntersectRays(Workspace& w, int u) {
    const GeoPoint r1 = LocusPoint(w.net, w.net.Station(u));
    const GeoPoint r0 = LocusPoint(w.net, w.net.Station(0));
    const double s = std::sin(r1.value - r0.value);
    if (s == 0.0) return 0;
    double d = 0.0, alpha = 0.0;
    if (PolarFromDelta(r1.x - r0.x, r1.y - r0.y, d, alpha) == 0) return 0;
    const double t = d * std::sin(r0.value - alpha) / s;
    if (t <= 0.0) return 0;
    return SetPointPosition(w, u, Along(r1, t, r1.value));
}

int IntersectRayCircle(Workspace& w, int u) {
    const Network& net = w.net;
    const StationRec& own = net.Station(u);
    const StationRec& fresh = net.Station(0);
    const bool freshIsRay = LocusKind(fresh) == LocusRay;
    const StationRec& rayLocus = freshIsRay ? fresh : own;
    const StationRec& circleLocus = freshIsRay ? own : fresh;
    const GeoPoint ray = LocusPoint(net, rayLocus);
    GeoPoint circle;
    if (!AsCircle(net, circleLocus, circle)) return 0;
    const double r = circle.value;
    const double a = ray.value;
    if (r == 0.0) return 0;
    double d = 0.0, beta = 0.0;
    if (PolarFromDelta(circle.x - ray.x, circle.y - ray.y, d, beta) == 0) return SetPointPosition(w, u, Along(ray, r, a));
    const double p = d * std::cos(beta - a);
    const double disc = p * p + r * r - d * d;
    if (disc < 0.0) return 0;
    const double q = std::sqrt(disc);
    if (p + q <= 0.0) return 0;
    const GeoPoint c1 = Along(ray, p + q, a);
    if (q + MinSightLength >= p || q == 0.0) return SetPointPosition(w, u, c1);
    const GeoPoint c2 = Along(ray, p - q, a);
    return SettleCandidates(w, u, CheckAngleCandidates(net, circleLocus, c1, c2), c1, c2);
}

int IntersectCircles(Workspace& w, int u) {
    const Network& net = w.net;
    const StationRec& own = net.Station(u);
    const StationRec& fresh = net.Station(0);
    GeoPoint e, n;
    if (!AsCircle(net, own, e) || !AsCircle(net, fresh, n)) return 0;
    double d = 0.0, beta = 0.0;
    if (PolarFromDelta(n.x - e.x, n.y - e.y, d, beta) == 0) return 0;
    if (d > e.value + n.value) return 0;
    const double c = (e.value * e.value + d * d - n.value * n.value) * 0.5 / e.value / d;
    if (!(std::fabs(c) <= 1.0)) return 0;  // also a radius of 0
    const double phi = std::acos(c);
    const GeoPoint c1 = Along(e, e.value, beta - phi);
    const GeoPoint c2 = Along(e, e.value, beta + phi);
    const StationRec& judge = LocusKind(own) == LocusAngleCircle ? own : fresh;
    return SettleCandidates(w, u, CheckAngleCandidates(net, judge, c1, c2), c1, c2);
}

}  // namespace quenvar
