// Network census, default a-priori errors and the network summary report.
#pragma once

namespace quenvar {

struct Network;

// Fills unset a-priori errors of the header with their defaults and recounts the observations.
void ApplyAdjustmentDefaults(Network& net);

}  // namespace quenvar
