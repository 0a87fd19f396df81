#include "adjust/datum_constraints.h"

#include <cmath>
#include <new>

#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Unknown points that define the datum: the class-2 points when there is one, else all; and
// all unknown points.
void DatumPoints(const Network& net, const UnknownMap& map, std::vector<int>& datum, std::vector<int>& all) {
    std::vector<int> special;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] <= 0) continue;
        all.push_back(i);
        const PointRec& p = net.Point(i);
        const int cls = PlaneNetwork(net) ? PlaneClass(p) : HeightClass(p);
        if (cls == PointSpecial) special.push_back(i);
    }
    datum = special.empty() ? all : special;
}

}  // namespace

bool FindDatumVectors(const Network& net, const UnknownMap& map, DatumVectors& datum, DatumSpan span) {
    datum = DatumVectors{};
    if (net.hdr.knownPointCount != 0) return true;
    try {
        std::vector<int> defining, all;
        DatumPoints(net, map, defining, all);
        if (defining.empty()) return true;
        // At most four vectors over two unknowns per point.
        if (!AllocationAllowed(net.allocationAllowed, all.size() * 8 * sizeof(double))) throw std::bad_alloc();
        // Centroid, number and spread come from the points that define the datum; the vectors
        // run over the points asked for.
        datum.points = span == DatumSpan::AllUnknownPoints ? all : defining;
        const std::vector<int>& points = datum.points;
        const double c = double(defining.size());
        if (!PlaneNetwork(net)) {
            datum.defect = datum.columns = 1;
            for (const int p : points) datum.unknowns.push_back(map[size_t(p)]);
            datum.values.assign(points.size(), 1.0 / std::sqrt(c));
            return true;
        }
        const bool rotation = FirstObservationOfKind(net, KindAzimuth) == 0;
        const bool scale = FirstObservationOfKind(net, KindDistance) == 0;
        datum.defect = 2 + (rotation ? 1 : 0) + (scale ? 1 : 0);
        double mx = 0.0, my = 0.0;
        for (const int p : defining) {
            mx += net.Point(p).x;
            my += net.Point(p).y;
        }
        mx /= c;
        my /= c;
        double q = 0.0;  // sum of squared distances from the centroid, square metres
        for (const int p : defining) q += std::pow(net.Point(p).x - mx, 2) + std::pow(net.Point(p).y - my, 2);
        const bool turns = rotation && q > 0.0, scales = scale && q > 0.0;
        const size_t w = 2 + (turns ? 1 : 0) + (scales ? 1 : 0);
        datum.columns = int(w);
        datum.values.assign(2 * points.size() * w, 0.0);
        const double e = 1.0 / std::sqrt(c), f = q > 0.0 ? 1.0 / std::sqrt(q) : 0.0;
        for (size_t a = 0; a < points.size(); ++a) {
            const int k = map[size_t(points[a])];
            datum.unknowns.push_back(2 * k - 1);
            datum.unknowns.push_back(2 * k);
            const double dx = net.Point(points[a]).x - mx, dy = net.Point(points[a]).y - my;
            double* gx = &datum.values[2 * a * w];
            double* gy = gx + w;
            gx[0] = gy[1] = e;
            size_t v = 2;
            if (turns) gx[v] = -dy * f, gy[v++] = dx * f;
            if (scales) gx[v] = dx * f, gy[v] = dy * f;
        }
        return true;
    } catch (const std::bad_alloc&) {
        datum = DatumVectors{};
        return false;
    }
}

void BalanceDatumVectors(DatumVectors& datum, DatumVectors& extended, const std::function<double(int)>& diagonal) {
    if (datum.columns == 0 || datum.unknowns.empty()) return;
    double sum = 0.0;
    for (const int u : datum.unknowns) sum += diagonal(u);
    const double mean = sum / double(datum.unknowns.size());
    if (!(mean > 0.0) || !std::isfinite(mean)) return;
    int e = 0;
    std::frexp(mean, &e);
    const int k = e / 2;
    for (double& v : datum.values) v = std::ldexp(v, k);
    for (double& v : extended.values) v = std::ldexp(v, -k);
}

void AddDatumProduct(const DatumVectors& datum, const double* v, double* y) {
    const size_t w = size_t(datum.columns);
    std::vector<double> t(w, 0.0);
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        for (size_t k = 0; k < w; ++k) t[k] += datum.values[a * w + k] * v[datum.unknowns[a] - 1];
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        for (size_t k = 0; k < w; ++k) y[datum.unknowns[a] - 1] += datum.values[a * w + k] * t[k];
}

void AddDatumTerms(const DatumVectors& datum, NormalMatrix& matrix, double sign) {
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        for (size_t b = 0; b <= a; ++b) matrix.At(datum.unknowns[a], datum.unknowns[b]) += sign * datum.Term(a, b);
}

int AddDatumConstraints(const Network& net, NormalMatrix& matrix, const UnknownMap& map, double sign) {
    DatumVectors datum;
    const DatumSpan span = sign > 0.0 ? DatumSpan::DatumPoints : DatumSpan::AllUnknownPoints;
    if (!FindDatumVectors(net, map, datum, span)) return -1;
    AddDatumTerms(datum, matrix, sign);
    return datum.defect;
}

}  // namespace quenvar
