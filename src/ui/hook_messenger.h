// The library's own Messenger: boxes and progress texts go to the host's message hook when
// one is set, otherwise to standard error, with questions answered by QUENVAR_ANSWER.
#pragma once

#include "quenvar.h"
#include "ui/messenger.h"

namespace quenvar {

class HookMessenger final : public Messenger {
public:
    void SetHook(zrMessageHook hook, void* context);

    int Box(const char* text, const char* caption, int kind) override;
    void Progress(const char* text) override;
    void EndProgress() override;

private:
    zrMessageHook hook_ = nullptr;
    void* context_ = nullptr;
    bool progressOpen_ = false;  // at most one progress window at a time
};

}  // namespace quenvar
