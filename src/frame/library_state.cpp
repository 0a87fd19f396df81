#include "frame/library_state.h"

#include <cstdio>

namespace quenvar {

LibraryState& Library() {
    static LibraryState state;
    return state;
}

void ReportInternalError(const char* entry, const char* reason) noexcept {
    try {
        char text[256];
        std::snprintf(text, sizeof text, "内部错误! 入口=%s  %s", entry, reason ? reason : "未知异常");
        HookMessenger& ui = Library().ui;
        ShowMessage(ui, text, 0, MsgInfo);
        CloseProgress(ui);
    } catch (...) {
        // Nothing more can be done: the entry point returns its failure value.
    }
}

}  // namespace quenvar
