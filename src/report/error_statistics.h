// Tables of the precision records an adjustment or design leaves behind: the error ellipse or
// height error of every point, and the relative precision of every point pair.
#pragma once

#include <cstdint>
#include <string>

#include "report/report_lines.h"

namespace quenvar {

struct Network;
class Messenger;

enum class ErrorTable : int16_t {
    Pairs = 0,   // relative errors of point pairs
    Points = 1,  // error ellipses (plane) or height errors of points
};

// Fills ReportLines with one line per listed precision record and sets the table's title and
// column heading. Returns 0, after message 1019, when no precision results are available
// (bits 5-7 of optionFlags clear); else 1.
int16_t BuildErrorStatistics(const Network& net, Messenger& ui, ReportBuffers& buffers, ErrorTable table,
                             std::string& title, std::string& heading);

// Builds the table and writes it through the report writer; 1 when written.
int WriteErrorStatistics(const Network& net, Messenger& ui, ReportBuffers& buffers, ErrorTable table,
                         const char* path);

}  // namespace quenvar
