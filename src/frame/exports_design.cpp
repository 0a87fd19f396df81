#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrSetDesignMode(int design) {
    return Guarded("zrSetDesignMode", 0, [design] {
        LibraryState& lib = Library();
        if (!lib.net.Present()) return 0;
        lib.net.hdr.designMode = design != 0 ? 1 : 0;
        return 1;
    });
}
