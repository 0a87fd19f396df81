// The shared line lists that every report is built in: ReportLines holds one string per report
// entry, DetailLines the detail lines of one entry at a time. The same instance keeps the little
// report state that lives between calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quenvar {

using LineList = std::vector<std::string>;

// Formatted a-posteriori group precisions; a height report rewrites only the first four.
using PrecisionFieldTexts = std::array<std::string, 6>;

struct ReportBuffers {
    LineList reportLines;
    LineList detailLines;
    // Class-4 observations taking part in the current network type, from the last census.
    uint16_t specialObservationCount = 0;
    PrecisionFieldTexts precisionFields;
    // Non-centrality parameter of the reliability measures, read from the profile with every
    // reliability report.
    float designD0 = 4.13f;
};

}  // namespace quenvar
