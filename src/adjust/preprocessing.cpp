#include "adjust/preprocessing.h"

#include <algorithm>
#include <cstdio>

#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "ui/messenger.h"

namespace quenvar {
namespace {

// Asks whether to go on without the point; true for Yes.
bool GoOnWithout(Messenger& ui, const PointRec& p, const char* format) {
    char name[8] = {};
    for (int c = 0; c < 5 && p.name[c] != '\0'; ++c) name[c] = p.name[c];
    char text[128];
    std::snprintf(text, sizeof text, format, name);
    return ShowMessage(ui, text, 0, MsgQuestion) != 0;
}

}  // namespace

void StationOrientation(Network& net, int i) {
    StationRec& st = net.Station(i);
    st.orientation = 0.0;
    double sum = 0.0;
    int count = 0;
    double lowest = FullCircle, highest = 0.0;
    int above = 0;  // values above half a circle
    for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        if (KindOf(r) != KindDirection || !TakesPart(r)) continue;
        const double v = NormalizeAngle(AzimuthBetween(net, i, r.target) - r.value);
        sum += v;
        ++count;
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
        if (v > HalfCircle) ++above;
    }
    if (count >= 2 && highest - lowest > HalfCircle) {
        // A circle set near north: the values lie on both sides of 0 and 2 pi. Those above
        // half a circle are taken a full circle back before averaging, and the mean is brought
        // into 0 .. 2 pi.
        st.orientation = NormalizeAngle((sum - above * FullCircle) / count);
        return;
    }
    st.orientation = count >= 2 ? sum / count : sum;
}

int NumberUnknowns(Network& net, Messenger& ui, UnknownMap& map) {
    NetHeader& hdr = net.hdr;
    hdr.unknownPointCount = 0;
    hdr.knownPointCount = 0;
    const bool plane = PlaneNetwork(net);
    int unknown = 0;
    for (int i = 1; i <= hdr.pointCount; ++i) {
        map[size_t(i)] = -1;
        PointRec& p = net.Point(i);
        int cls = 0;
        if (plane) {
            if (!HasPlaneCoords(net, i)) {
                if (!GoOnWithout(ui, p, "%s 点坐标无概算值,将不参加平差！继续吗?")) return 0;
                SetPlaneClass(p, PointExcluded);
            }
            cls = PlaneClass(p);
        } else {
            if (!HasHeight(net, i)) {
                SetHeightClass(p, PointExcluded);
                if (!GoOnWithout(ui, p, "%s 点高程无概算值,将不参加平差！继续吗?")) return 0;
            }
            cls = HeightClass(p);
        }
        if (cls == PointUnknown || cls == PointSpecial) {
            map[size_t(i)] = int16_t(++unknown);
        } else if (cls == PointKnown) {
            map[size_t(i)] = 0;
            ++hdr.knownPointCount;
        }
        if (plane && cls <= PointSpecial) StationOrientation(net, i);
    }
    hdr.ellipseCount = uint16_t(unknown);
    hdr.unknownPointCount = uint16_t(plane ? 2 * unknown : unknown);
    return plane ? 2 * unknown : unknown;
}

}  // namespace quenvar
