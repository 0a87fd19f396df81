// Approximate coordinates (plane network) or heights (height network) of the unknown points.
#pragma once

namespace quenvar {

struct Network;
class Messenger;
class Workspace;

// 1 when the calculation ran to the end; 0 when the user declined it in a design network or
// the trigonometric heights failed.
int Calculate(Network& net, Messenger& ui);

// Asks the user which of point p's two pending solutions to keep (Yes the first, No the
// second): 5 when resolved, 0 when p has no double solution.
int ResolveDoubleSolution(Workspace& w, Messenger& ui, int p);

// Turns the slope distance o of station s into a horizontal distance in place, with an
// elevation angle or a height difference to its target: 1 when reduced, else 0.
int ReduceSlopeDistance(Network& net, int s, int o);

}  // namespace quenvar
