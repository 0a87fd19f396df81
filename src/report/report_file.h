// The common writer of tabular reports and the writer of one-piece report texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "report/report_lines.h"

namespace quenvar {

// Puts the detail lines of entry index (0-based) into DetailLines; nonzero when it did.
using DetailCallback = std::function<int16_t(int16_t index)>;

// Writes every line of reportLines as one entry under its own heading, with the title framed
// by "====" on top and, for entries the callback fills, the extra line and the detail lines.
// Any of title, heading, extra and detail may be absent. 1 when written; 0 without entries
// (no file is created), when the path cannot be opened or when a write to it failed.
int16_t WriteReportFile(const ReportBuffers& buffers, const char* path, const char* title,
                        const char* heading, const char* extra, const DetailCallback& detail);

// The text WriteReportFile writes, empty without entries.
std::string FormatReport(const ReportBuffers& buffers, const char* title, const char* heading,
                         const char* extra, const DetailCallback& detail);

// Replaces the file at path with text, unchanged. 1 when written whole, 0 when it cannot be
// opened or a write failed.
int WriteTextFile(const char* path, const std::string& text);

}  // namespace quenvar
