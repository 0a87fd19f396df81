// The library's own WindowHost: a result list window goes to the host's window hook when one
// is set; otherwise it prints its report, as the save button would write it, to standard
// output in the terminal's encoding and is closed at once.
#pragma once

#include <cstdio>

#include "quenvar.h"
#include "ui/result_list_window.h"

namespace quenvar {

class HookWindowHost final : public WindowHost {
public:
    void SetHook(zrResultWindowHook hook, void* context);
    void RunResultList(ResultListWindow& window) override;

    // Where the headless window prints (standard output unless changed).
    std::FILE* headlessOutput = stdout;

private:
    zrResultWindowHook hook_ = nullptr;
    void* context_ = nullptr;
};

// Hands window to hook as a zrResultWindow and returns when the hook returns.
void RunWithHook(ResultListWindow& window, zrResultWindowHook hook, void* context);

}  // namespace quenvar
