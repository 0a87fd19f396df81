// Closure window and report entries for the plane (XY) and height (H) network.
#include "closure/closure_window.h"
#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

ClosureContext Context(LibraryState& lib) { return ClosureContext{lib.net, lib.ui, lib.closures, lib.reports}; }

void ShowWindow(int kind) {
    Guarded(0, [kind] {
        LibraryState& lib = Library();
        ClosureContext c = Context(lib);
        ShowClosureWindow(c, lib.windows, kind);
        return 0;
    });
}

int WriteReport(const char* path, int kind) {
    return Guarded(0, [path, kind] {
        LibraryState& lib = Library();
        ClosureContext c = Context(lib);
        return WriteClosureReport(c, path, kind);
    });
}

}  // namespace

extern "C" void zrXYCloseErrorWindow(void) { ShowWindow(0); }

extern "C" void zrHCloseErrorWindow(void) { ShowWindow(1); }

extern "C" int zrXYCloseErrorReport(const char* path) { return WriteReport(path, 0); }

extern "C" int zrHCloseErrorReport(const char* path) { return WriteReport(path, 1); }
