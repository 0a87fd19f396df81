// The a-priori observation errors that the host sets one at a time.
#pragma once

namespace quenvar {

struct NetHeader;

// Kinds of a-priori error the host sets, with the unit of the value it passes.
enum AdjustmentParamKind : int {
    ParamDirection = 1,       // arc-seconds -> dirSigma / dirSigma4, radians
    ParamDistanceFixed = 2,   // millimetres -> distSigmaConst / distSigmaConst4, metres
    ParamDistancePpm = 3,     // ppm -> distSigmaPpm / distSigmaPpm4
    ParamLevelling = 4,       // millimetres -> levelSigma / levelSigma4, metres
    ParamTrigHeight = 5,      // millimetres -> trigHeightSigma / trigHeightSigma4, metres
};

// Stores one a-priori error: which = 0 the ordinary field, otherwise the class-4 one. Any other
// kind changes nothing; no range is checked.
void SetAdjustmentParam(NetHeader& hdr, int kind, double value, int which);

}  // namespace quenvar
