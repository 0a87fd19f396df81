// The adjustment window entries: both run the text editor on the library's network.
#include "frame/library_state.h"
#include "quenvar.h"
#include "ui/adjustment_window.h"

using namespace quenvar;

extern "C" int OnTextEditor(const char* loadPath, const char* savePath) {
    return Guarded(2, [&] {
        LibraryState& lib = Library();
        EditorServices services{lib.net, lib.ui, lib.reports, lib.windows, lib.methodDialog, {}};
        return OnTextEditor(services, loadPath, savePath);
    });
}

extern "C" int zrAdjustmentWindow(const char* loadPath, const char* savePath) {
    return OnTextEditor(loadPath, savePath);
}
