#include "adjust/adjustment_parameters.h"

#include "geom/angles.h"
#include "netdb/records.h"

namespace quenvar {

void SetAdjustmentParam(NetHeader& hdr, int kind, double value, int which) {
    const bool special = which != 0;
    switch (kind) {
        case ParamDirection:
            // Seconds of arc become a d.mmss number (0.0002 for 2"), then radians.
            (special ? hdr.dirSigma4 : hdr.dirSigma) = float(DmsToRadians(value * 0.0001));
            break;
        case ParamDistanceFixed:
            (special ? hdr.distSigmaConst4 : hdr.distSigmaConst) = float(value * 0.001);
            break;
        case ParamDistancePpm:
            (special ? hdr.distSigmaPpm4 : hdr.distSigmaPpm) = float(value);
            break;
        case ParamLevelling:
            (special ? hdr.levelSigma4 : hdr.levelSigma) = float(value * 0.001);
            break;
        case ParamTrigHeight:
            (special ? hdr.trigHeightSigma4 : hdr.trigHeightSigma) = float(value * 0.001);
            break;
        default:
            break;
    }
}

}  // namespace quenvar
