#include "approx/propagation.h"

#include <cmath>

#include "approx/intersections.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {

namespace {

// Observed minus computed, in residual; an angular misclosure beyond 6 radians is brought back
// by one full circle.
int StoreMisclosure(ObsRec& r, double misclosure, bool angular) {
    if (angular && std::fabs(misclosure) > 6.0) misclosure += misclosure <= 0.0 ? FullCircle : -FullCircle;
    r.residual = float(misclosure);
    SetStateBits(r, 1);
    return 1;
}

// The observation o has produced the scratch locus of u: merge it.
int MergeFrom(Workspace& w, int o, int u) {
    SetStateBits(w.net.Obs(o), 2);
    const int k = MergeLocus(w, u);
    if (k == 2) SetStateBits(w.net.Obs(o), 4);
    return k;
}

void SetScratch(Network& net, int kind, int ref, int ref2, double value) {
    StationRec& scratch = net.Station(0);
    SetLocusRef(scratch, ref);
    SetLocus(scratch, kind, ref2);
    scratch.locusValue = value;
}

// A ray in azimuth a from whichever of s and t is known, towards the other.
int MergeRay(Workspace& w, int s, int t, int o, double a) {
    if (HasPlaneCoords(w.net, s)) {
        SetScratch(w.net, LocusRay, s, 0, a);
        return MergeFrom(w, o, t);
    }
    SetScratch(w.net, LocusRay, t, 1, a + HalfCircle);
    return MergeFrom(w, o, s);
}

int ProcessDirection(Workspace& w, int s, int t, int o) {
    Network& net = w.net;
    const double v = net.Obs(o).value;
    if (OrientState(net.Station(s)) == 0) {
        if (OrientFromReciprocal(w, s, t, o) == 3) return 3;
        if (OrientStation(net, s) == 3) {
            w.Touch(s);
            return 3;
        }
    }
    const bool sKnown = HasPlaneCoords(net, s);
    const bool tKnown = HasPlaneCoords(net, t);
    if (!sKnown && !tKnown) return 0;
    const StationRec& st = net.Station(s);
    if (sKnown && tKnown)
        return StoreMisclosure(net.Obs(o), NormalizeAngle(st.orientation + v) - AzimuthBetween(net, s, t), true);
    if (OrientState(st) != 0) return MergeRay(w, s, t, o, NormalizeAngle(st.orientation + v));
    if (!tKnown) return 0;
    // Unknown, unoriented station: the angle between an earlier direction to another known
    // point and this one puts s on a circle through both targets.
    const int j = FindObservationToKnown(net, s, o, KindDirection, t);
    if (j == 0) return 0;
    SetScratch(net, LocusAngleCircle, net.Obs(j).target, t, v - net.Obs(j).value);
    return MergeFrom(w, o, s);
}

int ProcessAzimuth(Workspace& w, int s, int t, int o) {
    Network& net = w.net;
    const double a = net.Obs(o).value;
    const int j = FindObservation(net, s, t, KindDirection);
    if (j != 0) {
        StationRec& st = net.Station(s);
        if (OrientState(st) != 0)
            return StoreMisclosure(net.Obs(o), a - NormalizeAngle(net.Obs(j).value + st.orientation), true);
        st.orientation = NormalizeAngle(a - net.Obs(j).value);
        SetOrientState(st, 1);
        SetStateBits(net.Obs(o), 3);
        w.Touch(s);
        return 3;
    }
    const bool sKnown = HasPlaneCoords(net, s);
    const bool tKnown = HasPlaneCoords(net, t);
    if (!sKnown && !tKnown) return 0;
    if (sKnown && tKnown) return StoreMisclosure(net.Obs(o), a - AzimuthBetween(net, s, t), true);
    return MergeRay(w, s, t, o, a);
}

int ProcessDistance(Workspace& w, int s, int t, int o) {
    Network& net = w.net;
    const double d = net.Obs(o).value;
    const bool sKnown = HasPlaneCoords(net, s);
    const bool tKnown = HasPlaneCoords(net, t);
    if (!sKnown && !tKnown) return 0;
    if (sKnown && tKnown) return StoreMisclosure(net.Obs(o), d - DistanceBetween(net, s, t), false);
    const int centre = sKnown ? s : t;
    SetScratch(net, LocusCircle, centre, 0, d);
    return MergeFrom(w, o, sKnown ? t : s);
}

int CarryHeight(Workspace& w, int s, int t, int o) {
    Network& net = w.net;
    ObsRec& r = net.Obs(o);
    const bool sHas = HasHeight(net, s);
    const bool tHas = HasHeight(net, t);
    if (!sHas && !tHas) return 0;
    if (sHas && tHas) return StoreMisclosure(r, r.value - (net.Point(t).h - net.Point(s).h), false);
    if (sHas) {
        net.Point(t).h = net.Point(s).h + r.value;
        w.Touch(t);
    } else {
        net.Point(s).h = net.Point(t).h - r.value;
        w.Touch(s);
    }
    SetStateBits(r, 2);
    return 2;
}

}  // namespace

int ProcessStation(Workspace& w, int s) {
    Network& net = w.net;
    int result = 0;
    int o = net.Point(s).firstObs;
    while (o != 0) {
        const int k = ProcessObservation(w, s, o);
        if (k != 0) {
            if (result != 5) result = k;
            o = net.Point(s).firstObs;
        } else {
            o = net.Obs(o).next;
        }
    }
    if (net.hdr.heightMode == 0) {
        // The orientation reference becomes an ordinary used observation once both ends are known.
        for (o = net.Point(s).firstObs; o != 0; o = net.Obs(o).next) {
            ObsRec& r = net.Obs(o);
            if (StateBits(r) != 3) continue;
            if (HasPlaneCoords(net, s) && HasPlaneCoords(net, r.target)) SetStateBits(r, 2);
            break;
        }
    }
    return result;
}

int ProcessObservation(Workspace& w, int s, int o) {
    const ObsRec& r = w.net.Obs(o);
    // Verbatim and rejected observations and a-priori error records carry no usable value.
    const int cls = ObsClassOf(r);
    if (StateBits(r) != 0 || cls == ClassVerbatim || cls == ClassSigma || cls == ClassRejected) return 0;
    const int t = r.target;
    if (t > w.TargetLimit()) return 0;  // no such record
    const int kind = KindOf(r);
    if (w.net.hdr.heightMode == 0) {
        switch (kind) {
        case KindDirection:
            return ProcessDirection(w, s, t, o);
        case KindAzimuth:
            return ProcessAzimuth(w, s, t, o);
        case KindDistance:
            return ProcessDistance(w, s, t, o);
        default:
            return 0;
        }
    }
    if (kind == KindLevelled || kind == KindTrigHeight) return CarryHeight(w, s, t, o);
    return 0;
}

int OrientFromReciprocal(Workspace& w, int s, int t, int o) {
    Network& net = w.net;
    const StationRec& back = net.Station(t);
    if (OrientState(back) == 0) return 0;
    const int j = FindObservation(net, t, s, KindDirection);
    if (j == 0) return 0;
    StationRec& st = net.Station(s);
    st.orientation = NormalizeAngle(net.Obs(j).value + back.orientation - HalfCircle - net.Obs(o).value);
    SetOrientState(st, 1);
    SetStateBits(net.Obs(o), 3);
    w.Touch(s);
    return 3;
}

int MergeLocus(Workspace& w, int u) {
    const StationRec& fresh = w.net.Station(0);
    StationRec& own = w.net.Station(u);
    const int ownKind = LocusKind(own);
    const int freshKind = LocusKind(fresh);
    if (ownKind == LocusNone) {
        SetLocusRef(own, LocusRef(fresh));
        own.locus = fresh.locus;
        own.locusValue = fresh.locusValue;
        w.Touch(u);
        return 1;
    }
    if (ownKind == freshKind) {
        const int p = LocusRef(own), q = LocusRef2(own);
        const int fp = LocusRef(fresh), fq = LocusRef2(fresh);
        if ((ownKind == LocusRay || ownKind == LocusCircle) && p == fp) return 0;
        if (ownKind == LocusAngleCircle && ((p == fp && q == fq) || (p == fq && q == fp))) return 0;
    }
    if (ownKind == LocusRay && freshKind == LocusRay) return IntersectRays(w, u);
    if (ownKind == LocusRay || freshKind == LocusRay) return IntersectRayCircle(w, u);
    return IntersectCircles(w, u);
}

}  // namespace quenvar
