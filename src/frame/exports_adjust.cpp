#include "adjust/adjustment_driver.h"
#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

// Sets the network kind and runs the adjustment on the loaded network.
int AdjustLoaded(const char* entry, uint16_t heightMode, int method, int iterations) {
    return Guarded(entry, 0, [&] {
        LibraryState& lib = Library();
        if (!lib.net.Present()) return 0;
        lib.net.hdr.heightMode = heightMode;
        return AdjustNetwork(lib.net, lib.ui, lib.reports, method, iterations);
    });
}

}  // namespace

extern "C" int zrXYAdjustment(int method, int iterations) {
    return AdjustLoaded("zrXYAdjustment", 0, method, iterations);
}

extern "C" int zrHAdjustment(int method, int iterations) {
    return AdjustLoaded("zrHAdjustment", 1, method, iterations);
}
