#include "approx/calculate.h"
#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

int CalculateNetwork(const char* entry, uint16_t heightMode) {
    return Guarded(entry, 0, [heightMode] {
        LibraryState& lib = Library();
        lib.net.hdr.heightMode = heightMode;
        return Calculate(lib.net, lib.ui);
    });
}

}  // namespace

extern "C" int zrXYCalculate(void) { return CalculateNetwork("zrXYCalculate", 0); }

extern "C" int zrHCalculate(void) { return CalculateNetwork("zrHCalculate", 1); }
