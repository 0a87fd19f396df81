#include "report/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/report/report_test_files.h"

namespace quenvar {
namespace {

using testing::ReadWholeFile;
using testing::ScratchPath;

TEST(WriteReportFile, HeadingBeforeEveryEntryAndDetailsWhereTheCallbackFillsThem) {
    ReportBuffers b;
    b.reportLines = {"A", "B"};
    const std::string path = ScratchPath("entries.txt");
    EXPECT_EQ(WriteReportFile(b, path.c_str(), "闭合差统计表", "No", "m=1", nullptr), 1);
    EXPECT_EQ(ReadWholeFile(path), "\n====闭合差统计表====\n\nNo\nA\n\nNo\nB\n");

    // Entry 1 declines although the detail lines of entry 0 are still there.
    b.reportLines = {"A", "B", "C"};
    auto detail = [&b](int16_t i) -> int16_t {
        if (i == 1) return 0;
        b.detailLines = i == 0 ? TextLines{"d1", "d2"} : TextLines{};
        return 1;
    };
    EXPECT_EQ(WriteReportFile(b, path.c_str(), nullptr, "H", "extra", detail), 1);
    EXPECT_EQ(ReadWholeFile(path), "\nH\nA\nextra\nd1\nd2\n\nH\nB\n\nH\nC\nextra\n");

    // Absent heading and extra line still give their empty lines.
    EXPECT_EQ(WriteReportFile(b, path.c_str(), nullptr, nullptr, nullptr, detail), 1);
    EXPECT_EQ(ReadWholeFile(path), "\n\nA\n\nd1\nd2\n\n\nB\n\n\nC\n\n");
}

TEST(WriteReportFile, NothingWrittenWithoutEntriesOrWhenUnopenable) {
    ReportBuffers b;
    const std::string path = ScratchPath("kept.txt");
    { std::ofstream(path) << "old"; }
    EXPECT_EQ(WriteReportFile(b, path.c_str(), "T", "H", nullptr, nullptr), 0);
    EXPECT_EQ(ReadWholeFile(path), "old");

    b.reportLines = {"A"};
    const std::string bad = testing::UnopenablePath("r.txt");
    EXPECT_EQ(WriteReportFile(b, bad.c_str(), "T", "H", nullptr, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(bad));
}

}  // namespace
}  // namespace quenvar
