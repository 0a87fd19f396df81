// The closure statistics window and the closure report: the closure table with the standard
// error of an observation as extra line, the details of every loop and, in the window, its
// chart.
#pragma once

#include <cstdint>

#include "closure/closure_table.h"
#include "ui/result_list_window.h"

namespace quenvar {

// Detail lines of loop i into detailLines: the head line, the point names (nine on the first
// line, ten on later ones) and a traverse's closure lines. 1 when the loop has details; for an
// empty loop only the head line is written and 0 returned. i = -999 frees the loops.
int16_t FormatLoopDetail(ClosureContext& c, int i);

// Computes the closures of the plane (0) or height (1) network and shows them in a result
// list window through host; closing the window frees the loops.
void ShowClosureWindow(ClosureContext& c, WindowHost& host, int kind);
// Computes the closures and writes the closure report to path; 1 when written. The loops are
// freed in any case.
int WriteClosureReport(ClosureContext& c, const char* path, int kind);

}  // namespace quenvar
