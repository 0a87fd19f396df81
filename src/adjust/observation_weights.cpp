#include "adjust/observation_weights.h"

#include <tuple>

#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Line measure of a levelled height difference from i to j: set-ups, else 0.001 x length in
// metres, else 1.0.
double LineMeasure(const Network& net, int i, int j, int o) {
    for (const int kind : {KindSetups, KindLineLength}) {
        int m = FindObservationNear(net, i, j, o, kind);
        if (m == 0) m = FindObservation(net, j, i, kind);
        if (m != 0) {
            const double v = net.Obs(m).value;
            if (kind == KindSetups) return v;
            return 0.001 * v;
        }
    }
    return 1.0;
}

// Length of the sight of a trigonometric height difference, metres.
double SightLength(const Network& net, int i, int j) {
    for (const auto& [from, to, kind] : {std::tuple{i, j, int(KindDistance)}, std::tuple{i, j, int(KindSlope)},
                                         std::tuple{j, i, int(KindDistance)}, std::tuple{j, i, int(KindSlope)}}) {
        const int m = FindObservation(net, from, to, kind);
        if (m != 0) return net.Obs(m).value;
    }
    const double d = DistanceBetween(net, i, j);
    return d != 0.0 ? d : 1000.0;
}

// Class factor of the weight; 0 for classes that take no weight.
double ClassFactor(int obsClass, double s0, double s4) {
    switch (obsClass) {
    case ClassOrdinary:
    case ClassPlanned:
        return 1.0;
    case ClassFixed:
        return 1000000.0;
    case ClassSpecial:
        return (s0 / s4) * (s0 / s4);
    default:
        return 0.0;
    }
}

double KindWeight(Network& net, int i, int j, int o, double c) {
    ObsRec& r = net.Obs(o);
    const NetHeader& hdr = net.hdr;
    const double s0 = PriorSigma(net);
    const int cls = ObsClassOf(r);
    switch (KindOf(r)) {
    case KindDirection:
    case KindAzimuth:
        r.value = NormalizeAngle(r.value);
        return c;
    case KindDistance: {
        const bool special = cls == ClassSpecial;
        const double m = (special ? float(hdr.distSigmaConst4) : float(hdr.distSigmaConst)) +
                         double(special ? float(hdr.distSigmaPpm4) : float(hdr.distSigmaPpm)) * r.value * 1e-6;
        if (m <= 0.0) return 0.0;
        const double top = cls == ClassFixed ? s0 * 1000.0 : s0;
        return (top / m) * (top / m);
    }
    case KindLevelled: {
        const double length = LineMeasure(net, i, j, o);
        return length > 0.0 ? c / length : 0.0;
    }
    case KindTrigHeight: {
        double t = 0.0;
        if (cls == ClassSpecial) {
            if (hdr.trigHeightSigma4 > 0.0f) t = s0 / hdr.trigHeightSigma4;
        } else if (hdr.trigHeightSigma > 0.0f) {
            t = s0 / hdr.trigHeightSigma;
            if (cls == ClassFixed) t *= 1000.0;
        }
        const double d = SightLength(net, i, j);
        return t * t / (d * d) * 1000000.0;
    }
    case KindConnection:
        return 0.0;
    default:
        return c;
    }
}

// Kinds adjusted in the current network kind.
bool OfNetworkKind(const Network& net, int kind) { return ObservationRole(net, ClassOrdinary, kind) == 99; }

}  // namespace

int SetObservationWeights(Network& net, const UnknownMap& map) {
    const double s0 = PriorSigma(net);
    const double s4 = PlaneNetwork(net) ? float(net.hdr.dirSigma4) : float(net.hdr.levelSigma4);
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] == -1) continue;
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            ObsRec& r = net.Obs(o);
            const int j = r.target;
            if (MapOf(map, j) == -1 || WeightOf(net, o) > 1e-20f) continue;
            const int kind = KindOf(r);
            const int cls = ObsClassOf(r);
            if (cls == ClassSigma) {
                // An a-priori error record for the neighbouring reading of the same kind.
                if (!OfNetworkKind(net, kind)) continue;
                const int m = FindObservationNear(net, i, j, o, kind);
                if (m != 0 && r.value > 1e-10) WeightOf(net, m) = float(s0 * s0 / (r.value * r.value));
                continue;
            }
            if (!Usable(net, r) && cls != ClassPlanned && kind != KindConnection) continue;
            const double c = ClassFactor(cls, s0, s4);
            if (c == 0.0) continue;
            // A check observation between fixed points is weighted like any other: it adds
            // nothing to the normal matrix but counts in the redundancy and in [pvv].
            if (kind != KindDirection && map[size_t(i)] == 0 && map[size_t(j)] == 0 && !Usable(net, r)) continue;
            SetStateBits(r, 0);
            WeightOf(net, o) = float(KindWeight(net, i, j, o, c));
            if ((map[size_t(i)] > 0 || map[size_t(j)] > 0) && !PairAlreadyDone(net, i, o)) ++net.hdr.ellipseCount;
        }
    }
    return 1;
}

}  // namespace quenvar
