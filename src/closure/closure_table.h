// The closure computation: prepares the network, finds its loops, computes their closures,
// lists one table line per loop with its limit and estimates the standard error of an
// observation from the closures.
#pragma once

#include <cstdint>

#include "closure/closure_loop.h"
#include "netdb/network.h"
#include "report/report_lines.h"

namespace quenvar {

class Messenger;

// Everything one closure computation and its window or report work on.
struct ClosureContext {
    Network& net;
    Messenger& ui;
    ClosureState& state;
    ReportBuffers& reports;
};

// Network kind 0 plane, 1 height. 1 when loops were found and reportLines holds one line per
// loop; sigma receives the standard error of an observation (radians in a plane network,
// metres per root kilometre or set-up in a height network). The loops stay until FreeLoops.
int16_t ComputeClosures(ClosureContext& c, int kind, double& sigma);
int ComputeAllClosures(const Network& net, ClosureState& state);
// The unit-weight error from the levelling routes and direction loops: sqrt([w w / n] / N).
double ObservationSigma(const ClosureState& state);
// The table line of loop i: " %3d %10.5lf %7.2lf %9.5lf" (number, closure, |n|, limit; angles in
// d.mmss), "*" in front when the closure exceeds its limit; "Unknown..." for an empty loop.
void FormatClosureLine(const Network& net, const ClosureLoop& loop, int i, LineList& lines);
// Frees every loop, the list and the triangle table.
void FreeLoops(ClosureState& state);

}  // namespace quenvar
