#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" void zrSetResultWindowHook(zrResultWindowHook hook, void* context) {
    Library().windows.SetHook(hook, context);
}
