#include "approx/trig_heights.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geom/network_geometry.h"
#include "netdb/network.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr double DefaultRefraction = 0.14;
constexpr double HalfEarthCurvature = 7.846829880728186e-08;  // 1/(2R) per metre, R = 6372000 m

int Stop(Messenger& ui, const char* format, int p, int t) {
    char text[96];
    std::snprintf(text, sizeof text, format, p, t);
    ShowMessage(ui, text, 0, MsgInfo);
    return 0;
}

// The horizontal length of the sight p -> t: from coordinates, a horizontal distance either
// way, or a slope distance either way reduced with the sight's elevation alpha.
double SightLength(const Network& net, int p, int t, double alpha) {
    const double candidates[] = {
        DistanceBetween(net, p, t),
        ObservationValue(net, p, t, KindDistance),
        ObservationValue(net, t, p, KindDistance),
        ObservationValue(net, p, t, KindSlope) * std::cos(alpha),
        ObservationValue(net, t, p, KindSlope) * std::cos(alpha),
    };
    for (const double d : candidates)
        if (d != 0.0) return d;
    return 0.0;
}

}  // namespace

int ComputeTrigHeights(Network& net, Messenger& ui) {
    if (net.hdr.refraction == 0.0) net.hdr.refraction = DefaultRefraction;
    const int lastPoint = std::clamp<int>(net.hdr.pointCount, 0, net.PointCapacity() - 1);
    for (int p = 1; p <= lastPoint; ++p) {
        // Appending may grow the arrays, so records are reached by index on every step.
        for (int o = net.Point(p).firstObs; o != 0; o = net.Obs(o).next) {
            const int kind = KindOf(net.Obs(o));
            const int obsClass = ObsClassOf(net.Obs(o));
            if (kind != KindZenith && kind != KindVertical) continue;
            if (obsClass != ClassOrdinary && obsClass != ClassSpecial) continue;
            const int t = net.Obs(o).target;
            if (t >= net.PointCapacity()) continue;  // no such record
            const double alpha = kind == KindZenith ? 1.570796327 - net.Obs(o).value : net.Obs(o).value;
            if (std::fabs(alpha) > 1.0) return 0;

            const double instrument = ObservationValueNear(net, p, p, o, KindInstrument);
            if (instrument == 0.0) return Stop(ui, "测站%d无仪器高", p, 0);
            double target = ObservationValue(net, p, t, KindTargetHeight);
            if (target == 0.0) target = ObservationValue(net, t, t, KindTargetHeight);
            if (target == 0.0) return Stop(ui, "站%d的%d无照准高", p, t);
            const double d = SightLength(net, p, t, alpha);
            if (d == 0.0) return Stop(ui, "无法得到站%d到%d的距离", p, t);

            const double dh = std::fabs(d) * std::tan(alpha) + instrument - target +
                              (1.0 - net.hdr.refraction) * d * d * HalfEarthCurvature;
            int rec = FindObservation(net, p, t, KindTrigHeight);
            if (rec == 0) rec = AddObservation(net, ui, p);
            if (rec == 0) return Stop(ui, "站%d到%d的高差已无存放空间", p, t);
            ObsRec& r = net.Obs(rec);
            r.target = uint16_t(t);
            r.value = dh;
            r.code = MakeCode(KindTrigHeight, obsClass);
        }
    }
    return 1;
}

}  // namespace quenvar
