// The one process-wide instance the exported functions work on. Everything below the exports
// takes the parts it needs as arguments, so tests can build their own.
#pragma once

#include <exception>

#include "adjust/method_dialog.h"
#include "closure/closure_loop.h"
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
    ClosureState closures;
};

LibraryState& Library();

// Shows an exception that reached the entry point as an internal error naming the entry, and
// closes a progress window left open; never throws.
void ReportInternalError(const char* entry, const char* reason) noexcept;

// Runs the body of the entry point; an exception is reported and becomes the entry's failure
// value, so nothing thrown crosses the C boundary.
template <typename Result, typename Body>
Result Guarded(const char* entry, Result failure, Body body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        ReportInternalError(entry, e.what());
    } catch (...) {
        ReportInternalError(entry, nullptr);
    }
    return failure;
}

// The same for an entry point without a result.
template <typename Body>
void GuardedCall(const char* entry, Body body) noexcept {
    Guarded(entry, 0, [&] {
        body();
        return 0;
    });
}

}  // namespace quenvar
