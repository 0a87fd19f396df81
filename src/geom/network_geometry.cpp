#include "geom/network_geometry.h"

#include <cmath>

#include "geom/angles.h"

namespace quenvar {

bool HasPlaneCoords(const Network& net, int point) {
    const PointRec& p = net.Point(point);
    return FixStateOf(p) != FixDouble && p.x != 0.0 && p.y != 0.0 && PlaneClass(p) != PointExcluded;
}

bool HasHeight(const Network& net, int point) {
    const PointRec& p = net.Point(point);
    return p.h != 0.0 && HeightClass(p) != PointExcluded;
}

double AzimuthBetween(const Network& net, int from, int to) {
    if (from == 0 || to == 0) return 0.0;
    const PointRec& a = net.Point(from);
    const PointRec& b = net.Point(to);
    double az = std::atan2(b.y - a.y, b.x - a.x);
    if (az < 0.0) az += FullCircle;
    return az;
}

double DistanceBetween(const Network& net, int a, int b) {
    if (a == b || !HasPlaneCoords(net, a) || !HasPlaneCoords(net, b)) return 0.0;
    const double dx = net.Point(b).x - net.Point(a).x;
    const double dy = net.Point(b).y - net.Point(a).y;
    return std::sqrt(dx * dx + dy * dy);
}

int PolarFromDelta(double dx, double dy, double& distance, double& angle) {
    distance = std::sqrt(dx * dx + dy * dy);
    if (distance == 0.0) return 0;
    angle = std::atan2(dy, dx);
    return 1;
}

int PointFromPolar(double distance, double azimuth, PointRec from, PointRec& target) {
    if (distance <= 0.0) return 0;
    target.x = from.x + distance * std::cos(azimuth);
    target.y = from.y + distance * std::sin(azimuth);
    return 1;
}

bool TakesPart(const ObsRec& o) {
    const int c = ObsClassOf(o);
    return c == ClassOrdinary || c == ClassFixed || c == ClassSpecial;
}

int FindObservation(const Network& net, int station, int target, int kind) {
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        if (TakesPart(r) && KindOf(r) == kind && r.target == target) return o;
    }
    return 0;
}

double ObservationValue(const Network& net, int station, int target, int kind) {
    const int o = FindObservation(net, station, target, kind);
    return o ? net.Obs(o).value : 0.0;
}

int FindObservationNear(const Network& net, int station, int target, int limit, int kind) {
    int atOrBefore = 0;
    int after = 0;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        if (!TakesPart(r) || KindOf(r) != kind || r.target != target) continue;
        if (o <= limit) {
            atOrBefore = o;
        } else if (after == 0) {
            after = o;
        }
    }
    return atOrBefore ? atOrBefore : after;
}

double ObservationValueNear(const Network& net, int station, int target, int limit, int kind) {
    const int o = FindObservationNear(net, station, target, limit, kind);
    return o ? net.Obs(o).value : 0.0;
}

int FindObservationToKnown(const Network& net, int station, int stopAt, int kind, int other) {
    for (int o = net.Point(station).firstObs; o != 0 && o != stopAt; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        if (TakesPart(r) && KindOf(r) == kind && r.target != other && HasPlaneCoords(net, r.target)) return o;
    }
    return 0;
}

int FirstObservationOfKind(const Network& net, int kind) {
    for (int o = 1; o <= net.hdr.obsCount; ++o) {
        const ObsRec& r = net.Obs(o);
        if (TakesPart(r) && KindOf(r) == kind) return o;
    }
    return 0;
}

int ObservationRole(const Network& net, int obsClass, int kind) {
    const bool plane = net.hdr.heightMode == 0;
    const bool ofType = plane ? (kind == KindDirection || kind == KindAzimuth || kind == KindDistance)
                              : (kind == KindLevelled || kind == KindTrigHeight);
    if (!ofType) return 7;
    if (obsClass < 0 || !(obsClass == ClassOrdinary || obsClass == ClassFixed || obsClass == ClassSpecial))
        return obsClass;
    return 99;
}

int OrientStation(Network& net, int station) {
    StationRec& st = net.Station(station);
    if (OrientState(st) != 0) return 0;
    if (!HasPlaneCoords(net, station)) return 0;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        ObsRec& r = net.Obs(o);
        if (KindOf(r) != KindDirection || ObsClassOf(r) != ClassOrdinary || !HasPlaneCoords(net, r.target))
            continue;
        st.orientation = NormalizeAngle(AzimuthBetween(net, station, r.target) - r.value);
        SetOrientState(st, 1);
        SetStateBits(r, 3);  // bits 11 and 12: served as the orientation reference
        return 3;
    }
    return 0;
}

}  // namespace quenvar
