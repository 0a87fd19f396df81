#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrXYAdjustment(int /*method*/, int /*iterations*/) { return 0; }

extern "C" int zrHAdjustment(int /*method*/, int /*iterations*/) { return 0; }
