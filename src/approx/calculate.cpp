#include "approx/calculate.h"

namespace quenvar {

int Calculate(Network&, Messenger&) { return 1; }

}  // namespace quenvar
