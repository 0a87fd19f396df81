// The adjustment window entries: both run the text editor on the library's network.
#include "frame/library_state.h"
#include "quenvar.h"
#include "ui/adjustment_window.h"

using namespace quenvar;

namespace {

int RunTextEditor(const char* entry, const char* loadPath, const char* savePath) {
    return Guarded(entry, 2, [&] {
        LibraryState& lib = Library();
        EditorServices services{lib.net, lib.ui, lib.reports, lib.windows, lib.methodDialog, {}};
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
