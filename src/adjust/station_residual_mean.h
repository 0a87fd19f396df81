// The weighted mean of the direction residuals of one station, the common part that the
// robust re-weighting and the gross-error analysis take off every direction of the station.
#pragma once

#include "netdb/network.h"

namespace quenvar {

// Σp·v / Σp over the directions of class 0, 1 or 4 in the station's chain, with p from the
// weight table and v the residual (radians); fixed directions count although they are not
// re-weighted or listed. 0 when Σp does not exceed 1e-10. An observation beyond the weight
// table counts with weight 0.
float StationResidualMean(const Network& net, int station);

}  // namespace quenvar
