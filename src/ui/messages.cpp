#include "ui/messenger.h"

#include "ui/string_table.h"

namespace quenvar {

int16_t ShowMessage(Messenger& ui, const char* text, int /*tag*/, int16_t kind) {
    switch (kind) {
    case MsgInfo:
        return int16_t(ui.Box(text, CaptionMessage, MsgInfo));
    case MsgQuestion:
        return ui.Box(text, CaptionQuestion, MsgQuestion) ? 1 : 0;
    case MsgProgress:
        ui.Progress(text);
        return 1;
    case MsgCloseProgress:
        ui.EndProgress();
        return 1;
    default:
        return 1;
    }
}

int16_t ShowMessageById(Messenger& ui, int id, int tag, int16_t kind) {
    return ShowMessage(ui, LoadResourceString(id), tag, kind);
}

void ShowProgress(Messenger& ui, const char* text) { ShowMessage(ui, text, 0, MsgProgress); }

void CloseProgress(Messenger& ui) { ShowMessage(ui, "", 0, MsgCloseProgress); }

}  // namespace quenvar
