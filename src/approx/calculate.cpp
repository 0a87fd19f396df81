#include "approx/calculate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "approx/intersections.h"
#include "approx/propagation.h"
#include "approx/trig_heights.h"
#include "approx/workspace.h"
#include "geom/network_geometry.h"
#include "netdb/network.h"
#include "netdb/point_lookup.h"
#include "ui/messenger.h"
#include "ui/string_table.h"

namespace quenvar {

namespace {

// Curvature and refraction per metre of slope: (1 - 0.14) / (2 x 6372000 m).
constexpr double SlopeCurvature = 6.74827369742624e-8;

void ClearMarks(ObsRec& r) {
    SetStateBits(r, 0);
    r.residual = 0.0f;
}

// Clears the approximate values of the unknown points and the working marks of the
// observations that will be processed; slope distances are reduced on the way.
void ClearApproximations(Network& net) {
    const bool plane = net.hdr.heightMode == 0;
    const int last = std::clamp<int>(net.hdr.lastPoint, 0, net.PointCapacity() - 1);
    for (int i = 1; i <= last; ++i) {
        PointRec& p = net.Point(i);
        if (plane) {
            StationRec& st = net.Station(i);
            st.fixRef = uint16_t(st.fixRef & ~0xF);
            st.locus = uint16_t(st.locus & ~0xF);
            if (PlaneClass(p) == PointUnknown) {
                SetFixState(p, FixNone);
                p.x = 0.0;
                p.y = 0.0;
            }
        } else if (HeightClass(p) == PointUnknown) {
            p.h = 0.0;
        }
        for (int o = p.firstObs; o != 0; o = net.Obs(o).next) {
            const int kind = KindOf(net.Obs(o));
            if (plane && kind == KindSlope) {
                ReduceSlopeDistance(net, i, o);
                ClearMarks(net.Obs(o));
            } else if (plane ? (kind == KindDirection || kind == KindAzimuth || kind == KindDistance)
                             : (kind == KindLevelled || kind == KindTrigHeight)) {
                ClearMarks(net.Obs(o));
            }
        }
    }
}

// Passes over all stations until one changes nothing. A station is walked only when something
// it reads has changed since its last walk; any other walk would change nothing.
void Propagate(Workspace& w) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 1; i <= w.PointLimit(); ++i) {
            if (!w.Pending(i)) continue;
            if (ProcessStation(w, i) != 0) changed = true;
            w.Settle(i);
        }
    }
}

int FirstDoubleSolution(const Workspace& w) {
    for (int i = 1; i <= w.PointLimit(); ++i)
        if (FixStateOf(w.net.Point(i)) == FixDouble) return i;
    return 0;
}

// The first usable observation of a kind between s and t, either way round (a target beyond
// the storage has no chain of its own).
int FindEitherWay(const Network& net, int s, int t, int kind) {
    const int o = FindObservation(net, s, t, kind);
    return o != 0 || t >= net.PointCapacity() ? o : FindObservation(net, t, s, kind);
}

}  // namespace

int Calculate(Network& net, Messenger& ui) {
    if (!net.Present()) return 0;
    if (net.hdr.pointCount > MaxComputedPoint) {
        ShowMessage(ui, "点数超过4095, 不能计算!", 0, MsgInfo);
        return 0;
    }
    if (net.hdr.designMode != 0 && ShowMessageById(ui, StrClearUnknowns, 0, MsgQuestion) == 0) return 0;
    CutBrokenChains(net);
    if (net.hdr.heightMode != 0 && ComputeTrigHeights(net, ui) == 0) return 0;
    ClearApproximations(net);
    Workspace w(net);
    for (;;) {
        Propagate(w);
        const int p = FirstDoubleSolution(w);
        if (p == 0) break;
        ResolveDoubleSolution(w, ui, p);
    }
    net.hdr.optionFlags = uint16_t(net.hdr.optionFlags & ~OptionResultBits);
    return 1;
}

int ResolveDoubleSolution(Workspace& w, Messenger& ui, int p) {
    const PointRec& point = w.net.Point(p);
    if (FixStateOf(point) != FixDouble) return 0;
    const std::string name = PointName(point);
    char text[96];
    std::snprintf(text, sizeof text, " \"%-6s\"点出现双解, 请选择(Y->＋,N->×):", name.c_str());
    const bool first = ShowMessage(ui, text, 0, MsgQuestion) != 0;
    GeoPoint c1, c2;
    LoadCandidates(point, c1, c2);
    return SetPointPosition(w, p, first ? c1 : c2);
}

int ReduceSlopeDistance(Network& net, int s, int o) {
    const int t = net.Obs(o).target;
    if (FindObservation(net, s, t, KindDistance) != 0) return 0;
    const double slope = net.Obs(o).value;
    double rise = 0.0;  // vertical component of the slope, metres
    const int zenith = FindObservation(net, s, t, KindZenith);
    const int vertical = zenith != 0 ? 0 : FindObservation(net, s, t, KindVertical);
    if (zenith != 0 || vertical != 0) {
        const double alpha = zenith != 0 ? 1.570796327 - net.Obs(zenith).value : net.Obs(vertical).value;
        rise = (std::sin(alpha) + slope * SlopeCurvature) * slope;
    } else {
        int dh = FindEitherWay(net, s, t, KindLevelled);
        if (dh == 0) dh = FindEitherWay(net, s, t, KindTrigHeight);
        if (dh == 0) return 0;
        rise = net.Obs(dh).value;
        if (rise >= slope) return 0;
    }
    // A rise longer than the slope itself (a sight steeper than vertical, or a fall below -S)
    // has no horizontal length: the observation stays a slope distance.
    const double square = slope * slope - rise * rise;
    if (square < 0.0) return 0;
    SetKind(net.Obs(o), KindDistance);
    net.Obs(o).value = std::sqrt(square);
    return 1;
}

}  // namespace quenvar
