#include "ui/hook_window_host.h"

#include <unistd.h>

#include <cstring>
#include <vector>

#include "ui/hook_messenger.h"
#include "ui/svg_surface.h"

namespace quenvar {

namespace {

// Forwards each drawing operation to the host's function.
class ForwardingSurface final : public DrawingSurface {
public:
    ForwardingSurface(zrDrawOperation op, void* context) : op_(op), context_(context) {}
    void MoveTo(int x, int y) override { op_(zrMoveTo, x, y, nullptr, context_); }
    void LineTo(int x, int y) override { op_(zrLineTo, x, y, nullptr, context_); }
    void TextOut(int x, int y, const char* text) override { op_(zrTextOut, x, y, text, context_); }

private:
    zrDrawOperation op_;
    void* context_;
};

ResultListWindow& Window(void* w) { return *static_cast<ResultListWindow*>(w); }

int Select(void* w, int line) {
    ResultListWindow& window = Window(w);
    return window.Select(line) ? int(window.DetailList().size()) : -1;
}

const char* Detail(void* w, int i) {
    const auto& details = Window(w).DetailList();
    return i >= 0 && size_t(i) < details.size() ? details[size_t(i)].c_str() : nullptr;
}

int Draw(void* w, int line, int width, int height, zrDrawOperation op, void* drawContext) {
    if (op == nullptr) return 0;
    ForwardingSurface surface(op, drawContext);
    return Window(w).DrawChart(line, surface, width, height);
}

int DrawSvg(void* w, int line, int width, int height, const char* path) {
    SvgSurface surface(width, height);
    if (Window(w).DrawChart(line, surface, width, height) == 0) return 0;
    return surface.Save(path);
}

int Save(void* w, const char* path) { return Window(w).Save(path); }

}  // namespace

void RunWithHook(ResultListWindow& window, zrResultWindowHook hook, void* context) {
    std::vector<const char*> lines;
    lines.reserve(window.EntryList().size());
    for (const std::string& line : window.EntryList()) lines.push_back(line.c_str());
    zrResultWindow view{};
    view.caption = window.Caption().c_str();
    view.heading = window.Heading().c_str();
    view.extra = window.Extra().c_str();
    view.lineCount = int(lines.size());
    view.lines = lines.data();
    view.window = &window;
    view.select = Select;
    view.detail = Detail;
    view.draw = Draw;
    view.drawSvg = DrawSvg;
    view.save = Save;
    hook(&view, context);
}

void HookWindowHost::SetHook(zrResultWindowHook hook, void* context) {
    hook_ = hook;
    context_ = hook ? context : nullptr;
}

void HookWindowHost::SetWindowHook(zrWindowHook hook, void* context) {
    windowHook_ = hook;
    windowContext_ = hook ? context : nullptr;
}

void HookWindowHost::SetSaveFileHook(zrSaveFileHook hook, void* context) {
    saveHook_ = hook;
    saveContext_ = hook ? context : nullptr;
}

void HookWindowHost::SetHelpHook(zrHelpHook hook, void* context) {
    helpHook_ = hook;
    helpContext_ = hook ? context : nullptr;
}

bool HookWindowHost::AtTerminal() const {
    if (frontEnd_ != FrontEnd::Automatic) return frontEnd_ == FrontEnd::Terminal;
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

void HookWindowHost::RunResultList(ResultListWindow& window) {
    if (hook_) {
        RunWithHook(window, hook_, context_);
    } else if (AtTerminal()) {
        terminal_.RunResultList(window);
    } else {
        PrintResultReport(window, headlessOutput);
    }
}

void HookWindowHost::RunModal(Dialog& dialog, Dialog* parent) {
    if (windowHook_ && windowHook_(WindowHandle(&dialog), WindowHandle(parent), windowContext_) != 0) return;
    if (AtTerminal()) {
        terminal_.RunModal(dialog, parent);
    } else {
        headless_.RunModal(dialog, parent);
    }
}

bool HookWindowHost::ChooseSaveFile(const SaveFileRequest& request, std::string& path) {
    if (!saveHook_) return AtTerminal() ? terminal_.ChooseSaveFile(request, path) : headless_.ChooseSaveFile(request, path);
    std::vector<char> buffer(4096, '\0');
    if (saveHook_(request.defaultExtension.c_str(), request.filter.c_str(), buffer.data(), int(buffer.size()),
                  saveContext_) == 0) {
        return false;
    }
    // A path that fills the whole buffer without its terminator is not taken cut short.
    if (std::memchr(buffer.data(), '\0', buffer.size()) == nullptr) return false;
    path = buffer.data();
    return !path.empty();
}

void HookWindowHost::ShowHelp(uint32_t context, int command) {
    if (helpHook_) {
        helpHook_(context, command, helpContext_);
    } else if (AtTerminal()) {
        terminal_.ShowHelp(context, command);
    }
}

}  // namespace quenvar
