// The user-interface seam: every message box, question and progress text of the library goes
// through a Messenger. The library's default routes them to the host's message hook or, without
// one, to standard error; tests substitute their own.
#pragma once

#include <cstdint>

namespace quenvar {

enum MessageKind : int16_t {
    MsgInfo = 1,           // information box, caption "ZOREK Message"
    MsgQuestion = 2,       // yes/no question, caption "ZOREK Question"; 1 = Yes
    MsgNothing = 3,
    MsgProgress = 4,       // progress window created or its text replaced
    MsgCloseProgress = 5,  // progress window closed
};

class Messenger {
public:
    virtual ~Messenger() = default;

    // Shows one box; caption is the box's caption (GBK). Returns 1 for OK or Yes, 0 for No.
    virtual int Box(const char* text, const char* caption, int kind) = 0;
    // Progress window: the first call opens it, later calls replace its text.
    virtual void Progress(const char* text) = 0;
    // Closes the progress window if one is open.
    virtual void EndProgress() = 0;
};

// Shows text by kind (1 information, 2 question, 4 progress, 5 close progress, others nothing).
// tag is filled by callers and has no effect. Returns 1 for OK/Yes, 0 for No.
int16_t ShowMessage(Messenger& ui, const char* text, int tag, int16_t kind);
// The same with a text of the string table (ids 1015-1020).
int16_t ShowMessageById(Messenger& ui, int id, int tag, int16_t kind);
void ShowProgress(Messenger& ui, const char* text);
void CloseProgress(Messenger& ui);

// The string-table text for id, or an empty text for an id the table does not hold.
const char* LoadResourceString(int id);

inline constexpr const char* CaptionMessage = "ZOREK Message";
inline constexpr const char* CaptionQuestion = "ZOREK Question";

}  // namespace quenvar
