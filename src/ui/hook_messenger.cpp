#include "ui/hook_messenger.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "ui/terminal_text.h"

namespace quenvar {

namespace {

// A question without a hook: QUENVAR_ANSWER decides; otherwise a terminal is asked and
// anything else is answered Yes, so a batch run never waits for input.
int HeadlessAnswer(const char* text) {
    if (const char* answer = std::getenv("QUENVAR_ANSWER")) {
        return (answer[0] == 'n' || answer[0] == 'N') ? 0 : 1;
    }
    if (!isatty(STDIN_FILENO)) return 1;
    std::fprintf(stderr, "%s [Y/n] ", GbkToLocal(text).c_str());
    char line[16] = {};
    if (!std::fgets(line, sizeof line, stdin)) return 1;
    return (line[0] == 'n' || line[0] == 'N') ? 0 : 1;
}

}  // namespace

void HookMessenger::SetHook(zrMessageHook hook, void* context) {
    hook_ = hook;
    context_ = hook ? context : nullptr;
}

int HookMessenger::Box(const char* text, const char* caption, int kind) {
    if (hook_) {
        const int r = hook_(text, caption, kind, context_);
        return kind == 2 ? (r != 0 ? 1 : 0) : 1;
    }
    if (kind == 2) return HeadlessAnswer(text);
    std::fprintf(stderr, "[%s] %s\n", GbkToLocal(caption).c_str(), GbkToLocal(text).c_str());
    return 1;
}

void HookMessenger::Progress(const char* text) {
    progressOpen_ = true;
    if (hook_) {
        hook_(text, "ZOREK 消息", 4, context_);
        return;
    }
    std::fprintf(stderr, "%s\n", GbkToLocal(text).c_str());
}

void HookMessenger::EndProgress() {
    if (!progressOpen_) return;
    progressOpen_ = false;
    if (hook_) hook_("", "ZOREK 消息", 5, context_);
}

}  // namespace quenvar
