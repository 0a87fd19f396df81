// The window seam: the library opens its modal windows (result list windows and dialogs), the
// save-file dialog and the host's context help through a WindowHost. The library's default hands them to the host program's
// hooks, or without hooks to its own headless or terminal front end; tests substitute their own.
#pragma once

#include <cstdint>
#include <string>

#include "ui/dialog.h"

namespace quenvar {

// What the save-file dialog is opened with (texts GBK).
struct SaveFileRequest {
    std::string defaultExtension;  // appended when the chosen name has none, without the dot
    std::string fileName;          // initial file name, may be empty
    std::string filter;            // "description|pattern|...||"
};

class ResultListWindow;

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Shows a result list window and returns when the user has closed it.
    virtual void RunResultList(ResultListWindow& window) = 0;
    // Shows dialog, already opened, until it ends. parent is the window it was opened from, or
    // null. A host that returns with the window still open has cancelled it; so does a host
    // that shows no dialogs.
    virtual void RunModal(Dialog& /*dialog*/, Dialog* /*parent*/) {}
    // The save-file dialog: true with path set when the user confirmed a file name.
    virtual bool ChooseSaveFile(const SaveFileRequest& /*request*/, std::string& /*path*/) { return false; }
    // Asks the host application's help for a help context.
    virtual void ShowHelp(uint32_t /*context*/, int /*command*/) {}
};

// Opens dialog, lets host show it and returns the modal result (cancel when the host left it
// open).
int DoModal(WindowHost& host, Dialog& dialog, Dialog* parent = nullptr);

// Help command asking for the topic of one context.
inline constexpr int HelpContext = 1;

}  // namespace quenvar
