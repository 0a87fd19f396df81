// A-priori weights of the observations from the a-priori errors of the header.
#pragma once

#include "adjust/adjustment_tables.h"

namespace quenvar {

// Fills the weight half of the network's weight table for the current network kind and counts
// the precision records of the point pairs into ellipseCount; always 1.
int SetObservationWeights(Network& net, const UnknownMap& map);

}  // namespace quenvar
