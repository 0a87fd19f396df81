// The front end for runs without a user: every window is accepted at once without changes.
#pragma once

#include <cstdio>

#include "ui/window_host.h"

namespace quenvar {

class HeadlessWindows final : public WindowHost {
public:
    // Prints the window's report to standard output, as its save button would write it, and
    // closes it.
    void RunResultList(ResultListWindow& window) override;
    // Presses the default button (OK), as Enter would; a window still open afterwards is closed
    // as by Escape (cancel).
    void RunModal(Dialog& dialog, Dialog* parent) override;
    // Nothing is chosen: no file name is ever typed in.
    bool ChooseSaveFile(const SaveFileRequest& request, std::string& path) override;
    // There is no help application; the request is dropped.
    void ShowHelp(uint32_t context, int command) override;
};

// A result list window's report, as its save button would write it, in the terminal's encoding.
void PrintResultReport(ResultListWindow& window, std::FILE* out);

}  // namespace quenvar
