#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" void zrSetMessageHook(zrMessageHook hook, void* context) {
    GuardedCall("zrSetMessageHook", [=] { Library().ui.SetHook(hook, context); });
}
