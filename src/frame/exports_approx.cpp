#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrXYCalculate(void) { return 0; }

extern "C" int zrHCalculate(void) { return 0; }
