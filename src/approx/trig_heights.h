// Trigonometric levelling: every zenith distance or vertical angle of a height network becomes
// an indirect height difference (kind $) in its station's chain.
#pragma once

namespace quenvar {

struct Network;
class Messenger;

// 1 when every angle was converted; 0 when a missing instrument height, target height,
// distance or storage stopped it (after a message) or a sight was steeper than 1 radian.
int ComputeTrigHeights(Network& net, Messenger& ui);

}  // namespace quenvar
