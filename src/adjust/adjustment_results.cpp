#include "adjust/adjustment_results.h"

#include <cmath>

#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Square root that gives 0 for a negative argument.
double Root(double v) { return v < 0.0 ? 0.0 : std::sqrt(v); }

void KeepLarger(float& held, double value) {
    if (value > held) held = float(value);
}

// Residual (computed minus observed) of a usable observation from the adjusted values; the
// directions of a station are taken against the orientation of its first direction.
double Residual(const Network& net, int i, const ObsRec& r, bool& firstSeen, double& z) {
    const int j = r.target;
    switch (KindOf(r)) {
    case KindDirection: {
        const double alpha = AzimuthBetween(net, i, j);
        if (!firstSeen) {
            z = NormalizeAngle(alpha - r.value);
            firstSeen = true;
        }
        double v = alpha - NormalizeAngle(z + r.value);
        if (std::fabs(v) > 6.0) v += v > 0.0 ? -FullCircle : FullCircle;
        return v;
    }
    case KindAzimuth: {
        double v = NormalizeAngle(AzimuthBetween(net, i, j)) - r.value;
        if (std::fabs(v) > 6.0) v += v > 0.0 ? -FullCircle : FullCircle;
        return v;
    }
    case KindDistance: {
        const double dx = net.Point(j).x - net.Point(i).x;
        const double dy = net.Point(j).y - net.Point(i).y;
        return std::sqrt(dx * dx + dy * dy) - r.value;
    }
    case KindLevelled:
    case KindTrigHeight:
        return (net.Point(j).h - net.Point(i).h) - r.value;
    default:
        return 0.0;
    }
}

}  // namespace

void PointEllipse(int k, const CofactorMatrix& q, double s, EllipseRec& record, EllipseRec& maxima, bool plane) {
    record.p2 = uint16_t(record.p2 | EllipsePointRecord);
    if (!plane) {
        record.a = float(s * Root(q.Cofactor(k, k)));
        KeepLarger(maxima.a, record.a);
        return;
    }
    const double qxx = q.Cofactor(2 * k - 1, 2 * k - 1);
    const double qyy = q.Cofactor(2 * k, 2 * k);
    const double qxy = q.Cofactor(2 * k, 2 * k - 1);
    const double kk = Root((qxx - qyy) * (qxx - qyy) + 4.0 * qxy * qxy);
    double phi = 0.5 * std::atan2(2.0 * qxy, qxx - qyy);
    if (qxy > 0.0 && phi < 0.0) phi += 1.5708;
    if (qxy <= 0.0 && phi > 0.0) phi -= 1.5708;
    const double e = Root(qxx + qyy + kk) * s * 0.7071;
    const double f = Root(qxx + qyy - kk) * s * 0.7071;
    record.a = float(e);
    record.b = float(f);
    record.c = float(phi);
    KeepLarger(maxima.a, Root(e * e + f * f));
}

void RelativeEllipse(const Network& net, int i, int j, const UnknownMap& map, const CofactorMatrix& q,
                     EllipseRec& record, EllipseRec& maxima, double s) {
    const int ki = MapOf(map, i);
    const int kj = MapOf(map, j);
    if (ki <= 0 && kj <= 0) return;
    record.p1 = uint16_t(i & 0xFFF);
    record.p2 = uint16_t((j & 0xFFF) | EllipsePairRecord);
    if (!PlaneNetwork(net)) {
        double qs = 0.0;
        if (ki > 0) qs += q.Cofactor(ki, ki);
        if (kj > 0) qs += q.Cofactor(kj, kj);
        if (ki > 0 && kj > 0) qs -= 2.0 * q.Cofactor(ki, kj);
        record.a = float(s * Root(qs));
        KeepLarger(maxima.b, record.a);
        return;
    }
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (const int k : {ki, kj}) {
        if (k <= 0) continue;
        sxx += q.Cofactor(2 * k - 1, 2 * k - 1);
        syy += q.Cofactor(2 * k, 2 * k);
        sxy += q.Cofactor(2 * k, 2 * k - 1);
    }
    if (ki > 0 && kj > 0) {
        sxx -= 2.0 * q.Cofactor(2 * ki - 1, 2 * kj - 1);
        syy -= 2.0 * q.Cofactor(2 * ki, 2 * kj);
        sxy -= q.Cofactor(2 * ki - 1, 2 * kj) + q.Cofactor(2 * ki, 2 * kj - 1);
    }
    const double alpha = NormalizeAngle(AzimuthBetween(net, i, j));
    record.c = float(alpha);
    const double sn = std::sin(alpha);
    const double cs = std::cos(alpha);
    const double qll = std::sin(2.0 * alpha) * sxy + cs * cs * sxx + sn * sn * syy;
    const double a = s * Root(qll);
    const double b = s * Root(sxx + syy - qll);
    record.a = float(a);
    record.b = float(b);
    KeepLarger(maxima.b, Root(a * a + b * b));
    const double d = DistanceBetween(net, i, j);
    if (d == 0.0) return;
    const double ratio = a / d;
    if (ratio > maxima.c) {
        maxima.c = float(ratio);
        maxima.p1 = uint16_t(i & 0xFFF);
        maxima.p2 = uint16_t(j & 0xFFF);
    }
}

void ComputeResults(Network& net, const CofactorMatrix& q, const UnknownMap& map) {
    const bool plane = PlaneNetwork(net);
    const double s = PosteriorSigma(net);
    const bool records = !net.ellipses.empty();
    const int capacity = records ? int(net.ellipses.size()) - 1 : 0;
    int next = 1;
    if (records) {
        for (int i = 1; i <= net.hdr.pointCount && next <= capacity; ++i) {
            if (map[size_t(i)] <= 0) continue;
            EllipseRec& e = net.ellipses[size_t(next++)];
            e.p1 = uint16_t(i & 0xFFF);
            PointEllipse(map[size_t(i)], q, s, e, net.ellipses[0], plane);
        }
    }
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const int ki = map[size_t(i)];
        if (ki < 0) continue;
        bool firstSeen = false;
        double z = 0.0;
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            ObsRec& r = net.Obs(o);
            const int j = r.target;
            r.residual = 0.0f;
            const int kj = MapOf(map, j);
            const int kind = KindOf(r);
            if (kj < 0) continue;
            // Usable observations between fixed points get their residual from the fixed
            // coordinates; a pair mark between them has nothing to show.
            if (!Usable(net, r) && (kind != KindConnection || (ki == 0 && kj == 0))) continue;
            if (ObsClassOf(r) != ClassFixed && net.hdr.designMode == 0) {
                SetStateBits(r, 1);
                r.residual = float(Residual(net, i, r, firstSeen, z));
            }
            if ((ki > 0 || kj > 0) && records && next <= capacity && !PairAlreadyDone(net, i, o))
                RelativeEllipse(net, i, j, map, q, net.ellipses[size_t(next++)], net.ellipses[0], s);
        }
    }
}

}  // namespace quenvar
