// Entries through which a host program shows the library's windows itself.
#include <algorithm>
#include <cstring>
#include <string>

#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

// Copies text into buffer as far as it fits, always terminated; the full length.
int CopyOut(const std::string& text, char* buffer, int size) {
    if (buffer && size > 0) {
        const size_t n = std::min(text.size(), size_t(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return int(text.size());
}

const Control* ControlOf(const zrWindow* window, int id) { return window ? DialogOf(window)->Find(id) : nullptr; }

}  // namespace

extern "C" void zrSetResultWindowHook(zrResultWindowHook hook, void* context) {
    GuardedCall("zrSetResultWindowHook", [=] { Library().windows.SetHook(hook, context); });
}

extern "C" void zrSetWindowHook(zrWindowHook hook, void* context) {
    GuardedCall("zrSetWindowHook", [=] { Library().windows.SetWindowHook(hook, context); });
}

extern "C" void zrSetSaveFileHook(zrSaveFileHook hook, void* context) {
    GuardedCall("zrSetSaveFileHook", [=] { Library().windows.SetSaveFileHook(hook, context); });
}

extern "C" void zrSetHelpHook(zrHelpHook hook, void* context) {
    GuardedCall("zrSetHelpHook", [=] { Library().windows.SetHelpHook(hook, context); });
}

extern "C" int zrWindowId(const zrWindow* window) {
    return Guarded("zrWindowId", 0, [=] { return window ? DialogOf(window)->TemplateId() : 0; });
}

extern "C" int zrGetWindowCaption(const zrWindow* window, char* buffer, int size) {
    return Guarded("zrGetWindowCaption", -1, [&] { return window ? CopyOut(DialogOf(window)->Caption(), buffer, size) : -1; });
}

extern "C" int zrWindowResult(const zrWindow* window) {
    return Guarded("zrWindowResult", int(WindowOpen), [=] { return window ? DialogOf(window)->Result() : WindowOpen; });
}

extern "C" int zrWindowControlId(const zrWindow* window, int index) {
    return Guarded("zrWindowControlId", -1, [=] {
        if (!window || index < 0) return -1;
        const std::vector<Control>& controls = DialogOf(window)->Controls();
        return size_t(index) < controls.size() ? controls[size_t(index)].id : -1;
    });
}

extern "C" int zrControlKind(const zrWindow* window, int id) {
    return Guarded("zrControlKind", 0, [=] {
        const Control* c = ControlOf(window, id);
        return c ? int(c->kind) : 0;
    });
}

extern "C" int zrControlState(const zrWindow* window, int id) {
    return Guarded("zrControlState", 0, [=] {
        const Control* c = ControlOf(window, id);
        if (!c) return 0;
        return (c->enabled ? 1 : 0) | (c->visible ? 2 : 0) | (c->checked ? 4 : 0) | (c->multiLine ? 8 : 0);
    });
}

extern "C" int zrGetControlText(const zrWindow* window, int id, char* buffer, int size) {
    return Guarded("zrGetControlText", -1, [&] {
        const Control* c = ControlOf(window, id);
        return c ? CopyOut(c->text, buffer, size) : -1;
    });
}

extern "C" int zrGetControlLabel(const zrWindow* window, int id, char* buffer, int size) {
    return Guarded("zrGetControlLabel", -1, [&] {
        const Control* c = ControlOf(window, id);
        return c ? CopyOut(c->label, buffer, size) : -1;
    });
}

extern "C" int zrGetListCount(const zrWindow* window, int id) {
    return Guarded("zrGetListCount", -1, [=] {
        const Control* c = ControlOf(window, id);
        return c && c->kind == ControlKind::List ? int(c->items.size()) : -1;
    });
}

extern "C" int zrGetListItem(const zrWindow* window, int id, int index, char* buffer, int size) {
    return Guarded("zrGetListItem", -1, [&] {
        const Control* c = ControlOf(window, id);
        if (!c || c->kind != ControlKind::List || index < 0 || size_t(index) >= c->items.size()) return -1;
        return CopyOut(c->items[size_t(index)], buffer, size);
    });
}

extern "C" int zrGetListSelection(const zrWindow* window, int id) {
    return Guarded("zrGetListSelection", -1, [=] {
        const Control* c = ControlOf(window, id);
        return c && c->kind == ControlKind::List ? c->selection : -1;
    });
}

extern "C" int zrSetControlText(zrWindow* window, int id, const char* text) {
    return Guarded("zrSetControlText", 0, [&] { return window && text && DialogOf(window)->SetText(id, text) ? 1 : 0; });
}

extern "C" int zrSelectListItem(zrWindow* window, int id, int index) {
    return Guarded("zrSelectListItem", 0, [&] { return window && DialogOf(window)->Select(id, index) ? 1 : 0; });
}

extern "C" int zrCheckRadioButton(zrWindow* window, int id) {
    return Guarded("zrCheckRadioButton", 0, [&] { return window && DialogOf(window)->Check(id) ? 1 : 0; });
}

extern "C" int zrPressButton(zrWindow* window, int id) {
    return Guarded("zrPressButton", 0, [&] { return window && DialogOf(window)->Press(id) ? 1 : 0; });
}
