// The adjustment window: the whole network as editable text, with buttons that read the text
// back into the database and run the closure computations or the adjustment on it; and the
// text editor operation that loads a database, shows the window and saves an accepted result.
#pragma once

#include <functional>
#include <string>

#include "ui/dialog.h"

namespace quenvar {

struct Network;
class Messenger;
struct ReportBuffers;
class WindowHost;
struct MethodDialogState;

// What the adjustment window works on.
struct EditorServices {
    Network& net;
    Messenger& ui;
    ReportBuffers& reports;
    WindowHost& windows;
    MethodDialogState& methodState;
    // Computes the closures of the plane (0) or height (1) network and shows them in the
    // closure window with the given parent.
    std::function<void(int heightMode, Dialog& parent)> showClosures;
    // Scratch file of the text exchange.
    std::string scratchPath = "tmp.txt";
};

inline constexpr int DlgAdjustmentWindow = 117;
inline constexpr int IdEditorText = 108;
inline constexpr int IdPlaneClosures = 24000;
inline constexpr int IdHeightClosures = 24001;
inline constexpr int IdEditorHelp = 666;

class CAdjustmentWnd final : public Dialog {
public:
    CAdjustmentWnd(EditorServices& services, std::string text);

    // The text as last copied from the edit control.
    const std::string& Text() const { return text_; }

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    void ApplyText();
    void Adjust();

    EditorServices& s_;
    std::string text_;
};

// Loads loadPath, shows the adjustment window on the network's editor text and, when the
// window ends with OK, saves the database to savePath; the network is freed at the end.
// The window's result (1 accepted, 2 cancelled), or 2 when the file does not load.
int OnTextEditor(EditorServices& services, const char* loadPath, const char* savePath);

}  // namespace quenvar
