#include "adjust/observation_rows.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Coordinate differences and length of the line station -> target; its azimuth (radians,
// 0 ... 2pi) is taken only where a misclosure needs it.
struct Sight {
    double dx = 0.0;
    double dy = 0.0;
    double s = 0.0;

    double Azimuth() const { return NormalizeAngle(std::atan2(dy, dx)); }
};

Sight SightBetween(const Network& net, int station, int target) {
    Sight g;
    g.dx = net.Point(target).x - net.Point(station).x;
    g.dy = net.Point(target).y - net.Point(station).y;
    g.s = std::sqrt(g.dx * g.dx + g.dy * g.dy);
    return g;
}

// Adds (cx, cy) at the X and Y unknowns of unknown point k; nothing for a fixed point.
void AddPoint(WorkRow& row, int k, double cx, double cy) {
    if (k <= 0) return;
    row.Add(2 * k - 1, cx);
    row.Add(2 * k, cy);
}

}  // namespace

bool WorkRow::Allocate(int n) {
    try {
        n_ = n;
        values_.assign(size_t(n) + 2, 0.0);
        touched_.assign(size_t(n) + 2, 0);
        places_.clear();
        places_.reserve(size_t(n) + 1);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void WorkRow::SortPlaces() { std::sort(places_.begin(), places_.end()); }

void WorkRow::Scale(double factor) {
    for (const int p : places_) values_[size_t(p)] *= factor;
}

void WorkRow::Subtract(const WorkRow& other) {
    for (const int p : other.places_) Add(p, -other.values_[size_t(p)]);
}

void WorkRow::Clear() {
    for (const int p : places_) {
        values_[size_t(p)] = 0.0;
        touched_[size_t(p)] = 0;
    }
    places_.clear();
}

int StationUnknowns(const Network& net, int station) {
    int targets = 0;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) ++targets;
    return (PlaneNetwork(net) ? 2 : 1) * (targets + 1);
}

double WrapAngularMisclosure(double l) {
    if (std::fabs(l) > 6.0) l += l > 0.0 ? -FullCircle : FullCircle;
    return l;
}

int ObservationRow(const Network& net, const UnknownMap& map, const WorkRow* meanRow, WorkRow& row, int kind,
                   bool withMisclosure, int station, int target, DirectionChain& chain, double value, bool angleMode) {
    const int n = row.Unknowns();
    const int ks = MapOf(map, station);
    const int kt = MapOf(map, target);
    if (!PlaneNetwork(net)) {
        if (kind != KindLevelled && kind != KindTrigHeight) return 0;
        if (station == target) return 0;
        if (kt > 0) row.Add(kt, 1.0);
        if (ks > 0) row.Add(ks, -1.0);
        if (withMisclosure) row.Add(n + 1, (net.Point(target).h - net.Point(station).h) - value);
        return 1;
    }
    if (kind != KindDirection && kind != KindAzimuth && kind != KindDistance) return 0;
    const Sight g = SightBetween(net, station, target);
    if (g.s == 0.0) return 0;
    const double q = kind == KindDistance ? g.s : g.s * g.s;
    const double a = -g.dx / q;
    const double b = g.dy / q;
    if (kind == KindDistance) {
        AddPoint(row, kt, a, -b);
        AddPoint(row, ks, -a, b);
        if (withMisclosure) row.Add(n + 1, g.s - value);
        return 1;
    }
    if (kind == KindAzimuth) {
        AddPoint(row, kt, b, a);
        AddPoint(row, ks, -b, -a);
        if (withMisclosure) row.Add(n + 1, WrapAngularMisclosure(g.Azimuth() - value));
        return 1;
    }
    if (angleMode) {
        const double r = NormalizeAngle(g.Azimuth() - value);
        const DirectionChain previous = chain;
        chain.bPrev = b;
        chain.aPrev = a;
        chain.prevUnknown = kt;
        chain.rPrev = r;
        if (!previous.notFirst) return 0;
        // The angle from the previous direction to this one.
        AddPoint(row, kt, b, a);
        AddPoint(row, previous.prevUnknown, -previous.bPrev, -previous.aPrev);
        AddPoint(row, ks, previous.bPrev - b, previous.aPrev - a);
        if (withMisclosure) row.Add(n + 1, WrapAngularMisclosure(r - previous.rPrev));
        return 1;
    }
    AddPoint(row, kt, b, a);
    AddPoint(row, ks, -b, -a);
    if (withMisclosure) {
        const double l = NormalizeAngle(g.Azimuth() - net.Station(station).orientation) - value;
        row.Add(n + 1, WrapAngularMisclosure(l));
    }
    if (meanRow) row.Subtract(*meanRow);
    return 1;
}

void AccumulateRow(WorkRow& row, NormalAccumulator& matrix, double weight) {
    row.SortPlaces();
    const std::vector<int>& places = row.Places();
    for (size_t c = 0; c < places.size(); ++c) {
        const int j = places[c];
        const double rj = row.Value(j);
        if (rj == 0.0) continue;
        const double wr = weight * rj;
        for (size_t r = c; r < places.size(); ++r) {
            const int i = places[r];
            const double ri = row.Value(i);
            if (ri != 0.0) matrix.Element(i, j) += wr * ri;
        }
    }
    row.Clear();
}

float EliminateOrientation(Network& net, const UnknownMap& map, int station, WorkRow& meanRow, bool withMisclosure) {
    meanRow.Clear();
    const int ks = MapOf(map, station);
    if (ks < 0) return 0.0f;
    const int n = meanRow.Unknowns();
    const double orientation = net.Station(station).orientation;
    double sum = 0.0;
    int count = 0;
    int lone = 0;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        const int kt = MapOf(map, r.target);
        const float p = WeightOf(net, o);
        if (p < 1e-10f || KindOf(r) != KindDirection || kt < 0 || !TakesPart(r)) continue;
        const Sight g = SightBetween(net, station, r.target);
        if (g.s == 0.0) continue;
        const double a = -g.dx / (g.s * g.s);
        const double b = g.dy / (g.s * g.s);
        sum += p;
        ++count;
        lone = o;
        AddPoint(meanRow, kt, p * b, p * a);
        AddPoint(meanRow, ks, -p * b, -p * a);
        if (withMisclosure) {
            double l = NormalizeAngle(g.Azimuth() - orientation) - r.value;
            if (std::fabs(l) >= 6.0) l += l > 0.0 ? -FullCircle : FullCircle;
            meanRow.Add(n + 1, p * l);
        }
    }
    if (count == 1) {
        // A lone direction carries no information once its orientation is eliminated.
        WeightOf(net, lone) = 0.0f;
        sum = 0.0;
    }
    if (sum > 1e-10) {
        meanRow.Scale(1.0 / sum);
    } else {
        meanRow.Clear();
    }
    return float(sum);
}

}  // namespace quenvar
