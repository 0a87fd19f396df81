// A window of the library as behaviour: its template (id, caption, controls with their ids and
// texts) and what its buttons and lists do. Whoever shows the window — a host program, the
// headless front end or the terminal front end — reads the controls, changes them as a user
// would and presses buttons until the window ends with its modal result.
#pragma once

#include <string>
#include <vector>

namespace quenvar {

enum class ControlKind : int {
    Button = 1,  // push button: text is its caption
    Edit = 2,    // edit field: text is its contents
    List = 3,    // list box or drop-down list: items and one selection
    Radio = 4,   // radio button: text is its caption, checked within its group
};

// Texts are GBK.
struct Control {
    int id = 0;
    ControlKind kind = ControlKind::Button;
    std::string text{};
    std::string label{};  // the label or group text shown beside the control
    bool enabled = true;
    bool visible = true;
    bool multiLine = false;  // edit holding a whole text with line ends
    bool checked = false;    // radio button
    int group = 0;           // radio buttons of one group share this number
    std::vector<std::string> items{};
    int selection = -1;  // list: selected item, -1 for none
};

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int WindowOpen = -1;  // Result() while the window has not ended

class Dialog {
public:
    Dialog(int templateId, std::string caption);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int TemplateId() const { return templateId_; }
    const std::string& Caption() const { return caption_; }
    const std::vector<Control>& Controls() const { return controls_; }
    const Control* Find(int id) const;

    // Called once before the window is shown: fills the controls.
    void Open();

    // What a user can do. Each refuses (false) an id the window does not have, a control of
    // another kind, or a control that is disabled; hidden edits still take text, as the
    // window fills and reads them like the others.
    bool SetText(int id, const std::string& text);
    bool Select(int id, int index);  // selects item index (0-based) of a list
    bool Check(int id);              // radio button: checks it, clears the rest of its group
    bool Press(int id);              // push button: runs its command (visible buttons only)

    bool Ended() const { return result_ != WindowOpen; }
    int Result() const { return result_; }
    // Ends the modal loop with result; the first end counts.
    void EndDialog(int result);

protected:
    Control& Add(Control control);
    Control& AddButton(int id, const char* text);
    Control& At(int id);
    // Text of an edit, at most maxChars characters, as a dialog's data exchange reads it.
    std::string Read(int id, size_t maxChars) const;

    virtual void OnInitDialog() {}
    // A button was pressed; the default ends the window on OK and cancel.
    virtual void OnCommand(int id);

private:
    Control* FindMutable(int id);

    int templateId_;
    std::string caption_;
    std::vector<Control> controls_;
    int result_ = WindowOpen;
};

}  // namespace quenvar
