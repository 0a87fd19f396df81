#include "report/network_summary.h"

namespace quenvar {

void ApplyAdjustmentDefaults(Network&) {}

}  // namespace quenvar
