// Closure window and report entries for the plane (XY) and height (H) network.
#include "closure/closure_window.h"
#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

ClosureContext Context(LibraryState& lib) { return ClosureContext{lib.net, lib.ui, lib.closures, lib.reports}; }

void ShowWindow(const char* entry, int kind) {
    GuardedCall(entry, [kind] {
        LibraryState& lib = Library();
        ClosureContext c = Context(lib);
        ShowClosureWindow(c, lib.windows, kind);
    });
}

int WriteReport(const char* entry, const char* path, int kind) {
    return Guarded(entry, 0, [path, kind] {
        LibraryState& lib = Library();
        ClosureContext c = Context(lib);
        return WriteClosureReport(c, path, kind);
    });
}

}  // namespace

extern "C" void zrXYCloseErrorWindow(void) { ShowWindow("zrXYCloseErrorWindow", 0); }

extern "C" void zrHCloseErrorWindow(void) { ShowWindow("zrHCloseErrorWindow", 1); }

extern "C" int zrXYCloseErrorReport(const char* path) { return WriteReport("zrXYCloseErrorReport", path, 0); }

extern "C" int zrHCloseErrorReport(const char* path) { return WriteReport("zrHCloseErrorReport", path, 1); }
