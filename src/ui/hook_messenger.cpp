#include "ui/hook_messenger.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

std::string GbkToLocal(const char* text) {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) codeset = "UTF-8";
    return GbkTo(codeset, text);
}

std::string GbkToUtf8(const char* text) { return GbkTo("UTF-8", text); }

std::string GbkTo(const char* codeset, const char* text) {
    std::string in = text ? text : "";
    iconv_t cd = iconv_open(codeset, "GBK");
    if (cd == iconv_t(-1)) return in;
    std::string out(in.size() * 4 + 4, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || dstLeft == 0) break;
        *dst++ = '?';  // a byte that is not GBK is shown as '?'
        --dstLeft;
        ++src;
        --srcLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

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
