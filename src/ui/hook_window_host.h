// The library's own WindowHost: every window goes to the host program's hook when it set one;
// otherwise to the library's front end, headless or, at a terminal, the terminal front end.
#pragma once

#include <cstdio>

#include "quenvar.h"
#include "ui/headless_windows.h"
#include "ui/result_list_window.h"
#include "ui/terminal_windows.h"

namespace quenvar {

enum class FrontEnd {
    Headless,
    Terminal,
    Automatic,  // the terminal front end when standard input and output both are terminals
};

class HookWindowHost final : public WindowHost {
public:
    // The terminal front end's result windows ask this host for file names, so a save-file
    // hook serves them too.
    explicit HookWindowHost(FrontEnd frontEnd = FrontEnd::Headless) : frontEnd_(frontEnd) {
        terminal_.SetSaveDialogs(this);
    }
    HookWindowHost(const HookWindowHost&) = delete;
    HookWindowHost& operator=(const HookWindowHost&) = delete;

    void SetHook(zrResultWindowHook hook, void* context);
    void SetWindowHook(zrWindowHook hook, void* context);
    void SetSaveFileHook(zrSaveFileHook hook, void* context);
    void SetHelpHook(zrHelpHook hook, void* context);

    void RunResultList(ResultListWindow& window) override;
    void RunModal(Dialog& dialog, Dialog* parent) override;
    bool ChooseSaveFile(const SaveFileRequest& request, std::string& path) override;
    void ShowHelp(uint32_t context, int command) override;

    // Where the headless result list window prints (standard output unless changed).
    std::FILE* headlessOutput = stdout;

private:
    bool AtTerminal() const;

    FrontEnd frontEnd_;
    zrResultWindowHook hook_ = nullptr;
    void* context_ = nullptr;
    zrWindowHook windowHook_ = nullptr;
    void* windowContext_ = nullptr;
    zrSaveFileHook saveHook_ = nullptr;
    void* saveContext_ = nullptr;
    zrHelpHook helpHook_ = nullptr;
    void* helpContext_ = nullptr;
    HeadlessWindows headless_;
    TerminalWindows terminal_;
};

// Hands window to hook as a zrResultWindow and returns when the hook returns.
void RunWithHook(ResultListWindow& window, zrResultWindowHook hook, void* context);

// The handle a host sees for a window, and back.
inline zrWindow* WindowHandle(Dialog* dialog) { return reinterpret_cast<zrWindow*>(dialog); }
inline Dialog* DialogOf(zrWindow* window) { return reinterpret_cast<Dialog*>(window); }
inline const Dialog* DialogOf(const zrWindow* window) { return reinterpret_cast<const Dialog*>(window); }

}  // namespace quenvar
