// `quenvar closures` on the bundled networks, run as a user runs the tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

TEST(ClosuresCommand, TableReportAndOneChartPerDrawableLoop) {
    ScratchDir dir;
    const CliResult r = RunCli({"closures", "xy", Example("plane.txt"), "-r", dir.File("closures.txt"), "--charts",
                                dir.File("")});
    ASSERT_EQ(r.status, 0) << r.err;
    // The table in UTF-8: the heading, one line per loop and the standard error.
    EXPECT_EQ(r.out.rfind(Utf8(u8"序号 —闭合差—  权倒数  —限差—\n"), 0), 0u) << r.out;
    EXPECT_TRUE(Contains(r.out, "\n   5   -0.00071    5.00   0.03098\n"));
    EXPECT_TRUE(Contains(r.out, Utf8(u8"\n观测值中误差(m) = [")));
    const std::string report = ReadWholeFile(dir.File("closures.txt"));  // GBK, as the literals here
    EXPECT_EQ(report.rfind("\n====闭合差统计表====\n", 0), 0u);
    EXPECT_TRUE(Contains(report, "附合导线\n"));
    EXPECT_TRUE(Contains(report, "\nfx="));
    // Loop 8 could not be computed: it has no chart.
    EXPECT_TRUE(std::filesystem::exists(dir.File("loop-001.svg")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("loop-010.svg")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("loop-008.svg")));
    EXPECT_TRUE(Contains(ReadWholeFile(dir.File("loop-010.svg")), "<polyline "));
}

TEST(ClosuresCommand, WrongUseAndNetworksWithoutLoops) {
    ScratchDir dir;
    const CliResult noDir = RunCli({"closures", "h", Example("height.txt"), "--charts", dir.File("missing")});
    EXPECT_EQ(noDir.status, 1);
    EXPECT_TRUE(Contains(noDir.err, "not a directory"));
    // The plane example has no levelled lines.
    const CliResult none = RunCli({"closures", "h", Example("plane.txt")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Contains(none.err, Utf8(u8"无闭合差")));
}

}  // namespace
}  // namespace quenvar::testing
