// Approximate coordinates (plane network) or heights (height network) of the unknown points.
#pragma once

namespace quenvar {

struct Network;
class Messenger;

// 1 when the calculation ran to the end; 0 when the user declined it in a design network or
// the trigonometric heights failed.
int Calculate(Network& net, Messenger& ui);

}  // namespace quenvar
