// The front end for a user at a terminal: a window is a keyed menu of its controls, a
// multi-line text opens in the user's editor, the save-file dialog asks for a file name.
// Nothing here decides what a window does; it only shows controls and passes on the user's
// choices.
#pragma once

#include <cstdio>

#include "ui/window_host.h"

namespace quenvar {

class TerminalWindows final : public WindowHost {
public:
    explicit TerminalWindows(std::FILE* in = stdin, std::FILE* out = stdout) : in_(in), out_(out) {}

    // The host whose save-file dialog the result windows use (this front end unless set).
    void SetSaveDialogs(WindowHost* host) { saveDialogs_ = host; }

    // Lists the entries; an entry's number shows its details and a sketch of its chart, "s"
    // saves the report, an empty line or the end of input closes the window.
    void RunResultList(ResultListWindow& window) override;
    // Shows the menu and acts on the keys typed until the window ends; the end of input leaves
    // it open (so it is cancelled).
    void RunModal(Dialog& dialog, Dialog* parent) override;
    // Asks for a file name; an empty answer cancels. A name without extension gets the default.
    bool ChooseSaveFile(const SaveFileRequest& request, std::string& path) override;
    // There is no help application at the terminal: says so.
    void ShowHelp(uint32_t context, int command) override;

private:
    bool ReadLine(const char* prompt, std::string& line);
    void Draw(const Dialog& dialog);
    void Act(Dialog& dialog, const Control& control);
    void EditText(Dialog& dialog, const Control& control);
    void ShowEntry(ResultListWindow& window, int line);

    std::FILE* in_;
    std::FILE* out_;
    WindowHost* saveDialogs_ = this;
};

// The user's editor: $VISUAL, else $EDITOR, else the system's sensible-editor, else vi.
std::string EditorCommand();

}  // namespace quenvar
