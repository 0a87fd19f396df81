#include "ui/dialog.h"

#include <stdexcept>
#include <utility>

namespace quenvar {

Dialog::Dialog(int templateId, std::string caption) : templateId_(templateId), caption_(std::move(caption)) {}

const Control* Dialog::Find(int id) const {
    for (const Control& c : controls_) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

Control* Dialog::FindMutable(int id) { return const_cast<Control*>(std::as_const(*this).Find(id)); }

void Dialog::Open() { OnInitDialog(); }

bool Dialog::SetText(int id, const std::string& text) {
    Control* c = FindMutable(id);
    if (!c || c->kind != ControlKind::Edit || !c->enabled || Ended()) return false;
    c->text = text;
    return true;
}

bool Dialog::Select(int id, int index) {
    Control* c = FindMutable(id);
    if (!c || c->kind != ControlKind::List || !c->enabled || Ended()) return false;
    if (index < 0 || index >= int(c->items.size())) return false;
    c->selection = index;
    return true;
}

bool Dialog::Check(int id) {
    Control* c = FindMutable(id);
    if (!c || c->kind != ControlKind::Radio || !c->enabled || Ended()) return false;
    for (Control& other : controls_) {
        if (other.kind == ControlKind::Radio && other.group == c->group) other.checked = false;
    }
    c->checked = true;
    return true;
}

bool Dialog::Press(int id) {
    const Control* c = Find(id);
    if (!c || c->kind != ControlKind::Button || !c->enabled || !c->visible || Ended()) return false;
    OnCommand(id);
    return true;
}

void Dialog::EndDialog(int result) {
    if (!Ended()) result_ = result;
}

Control& Dialog::Add(Control control) {
    controls_.push_back(std::move(control));
    return controls_.back();
}

Control& Dialog::AddButton(int id, const char* text) {
    return Add({.id = id, .kind = ControlKind::Button, .text = text});
}

Control& Dialog::At(int id) {
    Control* c = FindMutable(id);
    if (!c) throw std::logic_error("window template lacks a control");
    return *c;
}

std::string Dialog::Read(int id, size_t maxChars) const {
    const Control* c = Find(id);
    if (!c) return {};
    return c->text.substr(0, maxChars);
}

void Dialog::OnCommand(int id) {
    if (id == IdOk || id == IdCancel) EndDialog(id);
}

}  // namespace quenvar
