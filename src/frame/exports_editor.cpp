// The adjustment window entries: both run the text editor on the library's network.
#include "closure/closure_window.h"
#include "frame/library_state.h"
#include "quenvar.h"
#include "ui/adjustment_window.h"

using namespace quenvar;

namespace {

int RunTextEditor(const char* entry, const char* loadPath, const char* savePath) {
    return Guarded(entry, 2, [&] {
        LibraryState& lib = Library();
        // The closure window is a result list window of the library's window host; with no
        // parent in that seam, it simply opens while the adjustment window waits.
        auto showClosures = [&lib](int kind, Dialog& /*parent*/) {
            ClosureContext c{lib.net, lib.ui, lib.closures, lib.reports};
            ShowClosureWindow(c, lib.windows, kind);
        };
        EditorServices services{lib.net, lib.ui, lib.reports, lib.windows, lib.methodDialog, showClosures};
        return OnTextEditor(services, loadPath, savePath);
    });
}

}  // namespace

extern "C" int OnTextEditor(const char* loadPath, const char* savePath) {
    return RunTextEditor("OnTextEditor", loadPath, savePath);
}

extern "C" int zrAdjustmentWindow(const char* loadPath, const char* savePath) {
    return RunTextEditor("zrAdjustmentWindow", loadPath, savePath);
}
