// The shared line lists that every report is built in: ReportLines holds one string per report
// entry, DetailLines the detail lines of one entry at a time.
#pragma once

#include <string>
#include <vector>

namespace quenvar {

using TextLines = std::vector<std::string>;

struct ReportBuffers {
    TextLines reportLines;
    TextLines detailLines;
};

}  // namespace quenvar
