#include "report/report_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

#include "netdb/file_handle.h"

namespace quenvar {

namespace {

// Opens path for writing as text, replacing an existing file.
FileHandle OpenForWriting(const char* path) {
    if (path == nullptr) return nullptr;
    return OpenFile(path, "w");
}

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

}  // namespace

std::string FormatReport(const ReportBuffers& buffers, const char* title, const char* heading,
                         const char* extra, const DetailCallback& detail) {
    // Entry numbers are signed 16-bit, so a report holds at most 32767 entries.
    const auto count = int16_t(std::min<size_t>(buffers.reportLines.size(),
                                                std::numeric_limits<int16_t>::max()));
    std::string text;
    if (count < 1) return text;
    if (title != nullptr) text.append("\n====").append(title).append("====\n");
    for (int16_t i = 0; i < count; ++i) {
        text.append("\n").append(OrEmpty(heading)).append("\n");
        text.append(buffers.reportLines[size_t(i)]).append("\n");
        if (detail && detail(i) != 0) {
            text.append(OrEmpty(extra)).append("\n");
            for (const std::string& line : buffers.detailLines) text.append(line).append("\n");
        }
    }
    return text;
}

int16_t WriteReportFile(const ReportBuffers& buffers, const char* path, const char* title,
                        const char* heading, const char* extra, const DetailCallback& detail) {
    if (buffers.reportLines.empty()) return 0;
    FileHandle file = OpenForWriting(path);
    if (!file) return 0;
    const std::string text = FormatReport(buffers, title, heading, extra, detail);
    const bool whole = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return CloseWritten(file) && whole ? 1 : 0;
}

int WriteTextFile(const char* path, const std::string& text) {
    FileHandle file = OpenForWriting(path);
    if (!file) return 0;
    const bool whole = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return CloseWritten(file) && whole ? 1 : 0;
}

}  // namespace quenvar
