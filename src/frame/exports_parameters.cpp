#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" void zrSetAdjustmentParam(int /*kind*/, double /*value*/, int /*which*/) {}
