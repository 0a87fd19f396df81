// The one process-wide instance the exported functions work on. Everything below the exports
// takes the parts it needs as arguments, so tests can build their own.
#pragma once

#include "adjust/method_dialog.h"
#include "netdb/network.h"
#include "report/report_lines.h"
#include "ui/hook_messenger.h"
#include "ui/hook_window_host.h"

namespace quenvar {

struct LibraryState {
    Network net;
    HookMessenger ui;
    ReportBuffers reports;
    HookWindowHost windows{FrontEnd::Automatic};
    MethodDialogState methodDialog;
};

LibraryState& Library();

// Runs body and turns any exception into the export's failure value, so nothing thrown
// crosses the C boundary.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace quenvar
