#include "report/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/report/report_test_files.h"

namespace quenvar {
namespace {

using testing::ReadWholeFile;
using testing::ScratchPath;

TEST(WriteReportFile, TitleAndHeadingBeforeEveryEntry) {
    ReportBuffers b;
    b.reportLines = {"1  first", "2  second"};
    const std::string path = ScratchPath("entries.txt");
    EXPECT_EQ(WriteReportFile(b, path.c_str(), "闭合差统计表", "No  value", "m=1", nullptr), 1);
    EXPECT_EQ(ReadWholeFile(path),
              "\n====闭合差统计表====\n"
              "\nNo  value\n1  first\n"
              "\nNo  value\n2  second\n");
}

TEST(WriteReportFile, DetailsOnlyUnderEntriesTheCallbackFills) {
    ReportBuffers b;
    b.reportLines = {"A", "B", "C"};
    // Entry 0 gets details; entry 1 declines although the lines of entry 0 are still there;
    // entry 2 gets no detail lines but still its extra line.
    auto detail = [&b](int16_t i) -> int16_t {
        if (i == 1) return 0;
        b.detailLines.clear();
        if (i == 0) b.detailLines = {"d1", "d2"};
        return 1;
    };
    const std::string path = ScratchPath("details.txt");
    EXPECT_EQ(WriteReportFile(b, path.c_str(), nullptr, "H", "extra", detail), 1);
    EXPECT_EQ(ReadWholeFile(path),
              "\nH\nA\nextra\nd1\nd2\n"
              "\nH\nB\n"
              "\nH\nC\nextra\n");
}

TEST(WriteReportFile, AbsentHeadingAndExtraGiveEmptyLines) {
    ReportBuffers b;
    b.reportLines = {"A"};
    b.detailLines = {"d"};
    const std::string path = ScratchPath("absent.txt");
    EXPECT_EQ(WriteReportFile(b, path.c_str(), nullptr, nullptr, nullptr,
                              [](int16_t) -> int16_t { return 1; }),
              1);
    EXPECT_EQ(ReadWholeFile(path), "\n\nA\n\nd\n");
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
    EXPECT_EQ(WriteReportFile(b, nullptr, "T", "H", nullptr, nullptr), 0);
}

TEST(WriteTextFile, WritesTextUnchangedOrFails) {
    const std::string path = ScratchPath("text.txt");
    { std::ofstream(path) << "a longer old content"; }
    EXPECT_EQ(WriteTextFile(path.c_str(), "x\n%d y"), 1);
    EXPECT_EQ(ReadWholeFile(path), "x\n%d y");
    EXPECT_EQ(WriteTextFile(testing::UnopenablePath("t.txt").c_str(), "x"), 0);
}

}  // namespace
}  // namespace quenvar
