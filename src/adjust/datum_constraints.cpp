#include "adjust/datum_constraints.h"

#include <new>
#include <vector>

#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Unknown points that define the datum: the class-2 points when there is one, else all.
std::vector<int> DatumPoints(const Network& net, const UnknownMap& map) {
    std::vector<int> all;
    std::vector<int> special;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] <= 0) continue;
        all.push_back(i);
        const PointRec& p = net.Point(i);
        const int cls = PlaneNetwork(net) ? PlaneClass(p) : HeightClass(p);
        if (cls == PointSpecial) special.push_back(i);
    }
    return special.empty() ? all : special;
}

}  // namespace

int AddDatumConstraints(const Network& net, NormalMatrix& matrix, const UnknownMap& map, double sign) {
    if (net.hdr.knownPointCount != 0) return 0;
    try {
        const std::vector<int> points = DatumPoints(net, map);
        const double c = double(points.size());
        if (points.empty()) return 0;
        if (!PlaneNetwork(net)) {
            for (size_t a = 0; a < points.size(); ++a)
                for (size_t b = 0; b <= a; ++b) matrix.At(map[size_t(points[a])], map[size_t(points[b])]) += sign / c;
            return 1;
        }
        const bool rotation = FirstObservationOfKind(net, KindAzimuth) == 0;
        const bool scale = FirstObservationOfKind(net, KindDistance) == 0;
        // Datum vectors over the datum unknowns in ascending order: translation X, Y, rotation,
        // scale.
        const size_t count = 2 * points.size();
        std::vector<int> unknown(count);
        std::vector<double> ex(count, 0.0), ey(count, 0.0), r(count, 0.0), s(count, 0.0);
        double q = 0.0;
        if (rotation || scale) {
            double mx = 0.0, my = 0.0;
            for (const int p : points) {
                mx += net.Point(p).x;
                my += net.Point(p).y;
            }
            mx /= c;
            my /= c;
            for (size_t a = 0; a < points.size(); ++a) {
                const double dx = net.Point(points[a]).x - mx;
                const double dy = net.Point(points[a]).y - my;
                r[2 * a] = -dy;
                r[2 * a + 1] = dx;
                s[2 * a] = dx;
                s[2 * a + 1] = dy;
                q += dx * dx + dy * dy;
            }
        }
        for (size_t a = 0; a < points.size(); ++a) {
            const int k = map[size_t(points[a])];
            unknown[2 * a] = 2 * k - 1;
            unknown[2 * a + 1] = 2 * k;
            ex[2 * a] = 1.0;
            ey[2 * a + 1] = 1.0;
        }
        for (size_t a = 0; a < count; ++a) {
            for (size_t b = 0; b <= a; ++b) {
                double t = (ex[a] * ex[b] + ey[a] * ey[b]) / c;
                if (rotation && q > 0.0) t += r[a] * r[b] / q;
                if (scale && q > 0.0) t += s[a] * s[b] / q;
                matrix.At(unknown[a], unknown[b]) += sign * t;
            }
        }
        return 2 + (rotation ? 1 : 0) + (scale ? 1 : 0);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

}  // namespace quenvar
