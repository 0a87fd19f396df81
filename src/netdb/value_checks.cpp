#include "netdb/value_checks.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "netdb/chain.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

// The records are packed, so their numbers are copied out and back rather than referenced.
template <typename Number>
Number Stored(const void* record, size_t offset) {
    Number v;
    std::memcpy(&v, static_cast<const char*>(record) + offset, sizeof v);
    return v;
}

// Sets each of the numbers at the given offsets that is not finite to 0; true when any was.
template <typename Number>
bool ClearStored(void* record, std::initializer_list<size_t> offsets) {
    bool cleared = false;
    for (size_t at : offsets) {
        if (std::isfinite(Stored<Number>(record, at))) continue;
        const Number zero = 0;
        std::memcpy(static_cast<char*>(record) + at, &zero, sizeof zero);
        cleared = true;
    }
    return cleared;
}

// true when a coordinate or the height had to be cleared. A pending double solution holds its
// two candidates as four 4-byte floats in x and y; a damaged one is dropped.
bool ClearPoint(PointRec& p) {
    bool cleared = false;
    if (FixStateOf(p) == FixDouble) {
        const size_t x = offsetof(PointRec, x);
        if (ClearStored<float>(&p, {x, x + 4, x + 8, x + 12})) {
            SetFixState(p, FixNone);
            p.x = 0.0;
            p.y = 0.0;
            cleared = true;
        }
    } else {
        cleared = ClearStored<double>(&p, {offsetof(PointRec, x), offsetof(PointRec, y)});
    }
    return ClearStored<double>(&p, {offsetof(PointRec, h)}) || cleared;
}

}  // namespace

void ShowObservationError(Messenger& ui, int station, int target) {
    char message[80];
    std::snprintf(message, sizeof message, "观测值错误! 测站=%d  目标=%d\n", station, target);
    ShowMessage(ui, message, 0, MsgInfo);
}

void ShowCoordinateError(Messenger& ui, int point) {
    char message[64];
    std::snprintf(message, sizeof message, "坐标值错误! 点=%d\n", point);
    ShowMessage(ui, message, 0, MsgInfo);
}

bool ClearNonFiniteSettings(NetHeader& hdr) {
    const bool floats = ClearStored<float>(&hdr, {offsetof(NetHeader, dirSigma), offsetof(NetHeader, levelSigma),
                              offsetof(NetHeader, planeSigma0), offsetof(NetHeader, heightSigma0),
                              offsetof(NetHeader, distSigmaConst), offsetof(NetHeader, distSigmaPpm),
                              offsetof(NetHeader, dirSigma4), offsetof(NetHeader, levelSigma4),
                              offsetof(NetHeader, distSigmaConst4), offsetof(NetHeader, distSigmaPpm4),
                              offsetof(NetHeader, trigHeightSigma), offsetof(NetHeader, trigHeightSigma4),
                              offsetof(NetHeader, closureLimitFactor)});
    const bool doubles = ClearStored<double>(&hdr, {offsetof(NetHeader, extentMinY), offsetof(NetHeader, extentMinX),
                               offsetof(NetHeader, extentMaxY), offsetof(NetHeader, extentMaxX),
                               offsetof(NetHeader, refraction)});
    return floats || doubles;
}

void ClearNonFiniteValues(Network& net, Messenger& ui) {
    ClearNonFiniteSettings(net.hdr);
    const int points = PointsInStorage(net);
    for (int i = 0; i <= points; ++i) {  // record 0 is read from a file like the others
        if (ClearPoint(net.Point(i)) && i > 0) ShowCoordinateError(ui, i);
    }
    // Every record up to the count is checked, also one outside every chain; the message
    // names the station whose chain holds it (0 for none).
    const int obsCount = std::min<int>(net.hdr.obsCount, net.ObsCapacity() - 1);
    std::vector<uint16_t> stationOf(size_t(std::max(obsCount, 0)) + 1, 0);
    for (int s = 1; s <= points; ++s) {
        WalkChain(net, s, [&](int o) {
            if (o <= obsCount) stationOf[size_t(o)] = uint16_t(s);
            return true;
        });
    }
    for (int o = 0; o <= obsCount; ++o) {
        ObsRec& r = net.Obs(o);
        ClearStored<float>(&r, {offsetof(ObsRec, residual)});
        if (ClearStored<double>(&r, {offsetof(ObsRec, value)}) && o > 0 && ObsClassOf(r) != ClassRejected) {
            SetObsClass(r, ClassRejected);
            ShowObservationError(ui, stationOf[size_t(o)], r.target);
        }
    }
    for (StationRec& r : net.stations) {
        ClearStored<double>(&r, {offsetof(StationRec, locusValue), offsetof(StationRec, orientation)});
    }
    for (EllipseRec& e : net.ellipses) {
        ClearStored<float>(&e, {offsetof(EllipseRec, a), offsetof(EllipseRec, b), offsetof(EllipseRec, c)});
    }
}

}  // namespace quenvar
