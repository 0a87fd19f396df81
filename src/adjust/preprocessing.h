// Numbering of the unknowns and orientation of the stations before an adjustment.
#pragma once

#include "adjust/adjustment_tables.h"

namespace quenvar {

class Messenger;

// Fills map for every point and counts the unknown and fixed points into the header; a point
// without approximate value is excluded after the user agrees. Returns the number of unknowns,
// 0 when there is none or the user declined.
int NumberUnknowns(Network& net, Messenger& ui, UnknownMap& map);

// The orientation of station i: the mean over its directions of azimuth minus direction.
void StationOrientation(Network& net, int i);

}  // namespace quenvar
