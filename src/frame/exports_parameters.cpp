#include "adjust/adjustment_parameters.h"
#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" void zrSetAdjustmentParam(int kind, double value, int which) {
    GuardedCall("zrSetAdjustmentParam", [=] { SetAdjustmentParam(Library().net.hdr, kind, value, which); });
}
