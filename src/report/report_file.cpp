#include "report/report_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace quenvar {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens path for writing as text, replacing an existing file.
File OpenForWriting(const char* path) {
    if (path == nullptr) return nullptr;
    return File(std::fopen(path, "w"));
}

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

}  // namespace

int16_t WriteReportFile(const ReportBuffers& buffers, const char* path, const char* title,
                        const char* heading, const char* extra, const DetailCallback& detail) {
    // Entry numbers are signed 16-bit, so a report holds at most 32767 entries.
    const auto count = int16_t(std::min<size_t>(buffers.reportLines.size(),
                                                std::numeric_limits<int16_t>::max()));
    if (count < 1) return 0;
    File file = OpenForWriting(path);
    if (!file) return 0;
    std::FILE* f = file.get();
    if (title != nullptr) std::fprintf(f, "\n====%s====\n", title);
    for (int16_t i = 0; i < count; ++i) {
        std::fprintf(f, "\n%s\n", OrEmpty(heading));
        std::fprintf(f, "%s\n", buffers.reportLines[size_t(i)].c_str());
        if (detail && detail(i) != 0) {
            std::fprintf(f, "%s\n", OrEmpty(extra));
            for (const std::string& line : buffers.detailLines) std::fprintf(f, "%s\n", line.c_str());
        }
    }
    return 1;
}

int WriteTextFile(const char* path, const std::string& text) {
    File file = OpenForWriting(path);
    if (!file) return 0;
    std::fprintf(file.get(), "%s", text.c_str());
    return 1;
}

}  // namespace quenvar
