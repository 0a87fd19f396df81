#include "adjust/adjustment_parameters.h"

#include "netdb/records.h"
#include "netdb/value_checks.h"

namespace quenvar {
namespace {

constexpr double ArcSecondInRadians = 3.14159265358979323846 / 648000.0;

}  // namespace

namespace {

// The header is packed: each field is assigned by name, never through a reference.
void StoreParam(NetHeader& hdr, int kind, double value, int which) {
    const bool special = which != 0;
    switch (kind) {
        case ParamDirection: {
            // Seconds of arc to radians. (Read as a d.mmss number, value x 0.0001 would give the
            // same 4-byte value below 99.9", but turn 100" into 1'.)
            const float v = float(value * ArcSecondInRadians);
            if (special) hdr.dirSigma4 = v; else hdr.dirSigma = v;
            break;
        }
        case ParamDistanceFixed:
            if (special) hdr.distSigmaConst4 = float(value * 0.001); else hdr.distSigmaConst = float(value * 0.001);
            break;
        case ParamDistancePpm:
            if (special) hdr.distSigmaPpm4 = float(value); else hdr.distSigmaPpm = float(value);
            break;
        case ParamLevelling:
            if (special) hdr.levelSigma4 = float(value * 0.001); else hdr.levelSigma = float(value * 0.001);
            break;
        case ParamTrigHeight:
            if (special) hdr.trigHeightSigma4 = float(value * 0.001); else hdr.trigHeightSigma = float(value * 0.001);
            break;
        default:
            break;
    }
}

}  // namespace

// A value that is not a number, or too large for the 4-byte field, leaves the settings as
// they were.
void SetAdjustmentParam(NetHeader& hdr, int kind, double value, int which) {
    NetHeader updated = hdr;
    StoreParam(updated, kind, value, which);
    if (!ClearNonFiniteSettings(updated)) hdr = updated;
}

}  // namespace quenvar
