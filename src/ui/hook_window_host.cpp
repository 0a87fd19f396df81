#include "ui/hook_window_host.h"

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

void HookWindowHost::RunResultList(ResultListWindow& window) {
    if (hook_) {
        RunWithHook(window, hook_, context_);
        return;
    }
    // Headless: the report as the save button would write it, nothing to wait for.
    const std::string text = window.ReportText();
    const std::string local = GbkToLocal(text.c_str());
    std::fwrite(local.data(), 1, local.size(), headlessOutput);
    std::fflush(headlessOutput);
}

}  // namespace quenvar
