#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrLoadData(const char* /*path*/) { return 0; }

extern "C" int zrSaveData(const char* /*path*/, int /*pointsOnly*/) { return 0; }

extern "C" void zrFreeData(void) { FreeDatabase(Library().net); }
