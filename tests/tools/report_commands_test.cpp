// `quenvar closures` and `quenvar design` on the bundled networks and on a planned levelling line,
// and the point, pair and reliability reports of `quenvar adjust`, run as a user runs the tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

TEST(ClosuresCommand, TableReportChartsAndNetworksWithoutLoops) {
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
    for (const char* loop : {"001", "008", "010"})
        EXPECT_EQ(std::filesystem::exists(dir.File("loop-" + std::string(loop) + ".svg")), loop != std::string("008")) << loop;
    EXPECT_TRUE(Contains(ReadWholeFile(dir.File("loop-010.svg")), "<polyline "));

    const CliResult noDir = RunCli({"closures", "h", Example("height.txt"), "--charts", dir.File("missing")});
    EXPECT_EQ(noDir.status, 1);
    EXPECT_TRUE(Contains(noDir.err, "not a directory"));
    // The plane example has no levelled lines.
    const CliResult none = RunCli({"closures", "h", Example("plane.txt")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Contains(none.err, Utf8(u8"无闭合差")));
}

TEST(DesignCommand, GeneralDesignPrintsThePointErrorsAndTheThirdClassRatesTheObservations) {
    ScratchDir dir;
    const CliResult r = RunCliIn(dir.File(""), {"design", "xy", Example("design.txt"), "--direction-sigma", "1",
                                                "--pairs-report", dir.File("pairs.txt"), "-r", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "answered yes"));  // the new points are computed again
    EXPECT_TRUE(Contains(r.out, "m(d.mmss):      0.000100"));
    const std::string pairs = ReadWholeFile(dir.File("pairs.txt"));  // GBK, as the literals here
    EXPECT_TRUE(Contains(pairs, "\n==== 平面点间 误差统计表====\n"));
    EXPECT_TRUE(Contains(pairs, "\nD1      N1    "));
    EXPECT_FALSE(std::filesystem::exists(dir.File("optim0.dat")));

    // The third-class analysis rates the planned observations and leaves its working files.
    const CliResult third = RunCliIn(dir.File(""), {"-q", "design", "xy", Example("design.txt"), "--method", "third",
                                                    "--direction-sigma", "1", "--reliability-report", dir.File("rel.txt")});
    ASSERT_EQ(third.status, 0) << third.err;
    for (const char* name : {"optim0.dat", "optim1.dat", "optim2.dat"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(name))) << name;
    // 35 observations, three of them planned distances, are rated, each in a line of its own.
    EXPECT_EQ(ReadWholeFile(dir.File("optim2.dat")).size(), 35u * 10);
    EXPECT_TRUE(Contains(third.out, "Weakest direction: lambda = "));
    EXPECT_TRUE(Contains(third.out, "\n   35 "));
    const std::string reliability = ReadWholeFile(dir.File("rel.txt"));
    EXPECT_TRUE(Contains(reliability, "\n====可靠性分析====\n"));
    EXPECT_TRUE(Contains(reliability, " m=0.000100 a0=0.1% b0=80% d0=4.13\n"));
}

TEST(DesignCommand, PlannedLevellingAndItsFailures) {
    ScratchDir dir;
    std::ofstream(dir.File("line.txt")) << "<< planned levelling\nA 01 0 0 10\nB 00 0 0 0\nC 00 0 0 0\n<<\n"
                                           "A B h0 1.5\nB C h0 0.5\n  A ha -2.0\n";
    const CliResult general = RunCliIn(dir.File(""), {"design", "h", dir.File("line.txt"), "--level-sigma", "1"});
    ASSERT_EQ(general.status, 0) << general.err;
    EXPECT_TRUE(Contains(general.out, " --MH--\nB     0.0010\n"));
    EXPECT_TRUE(Contains(general.out, "\nC     0.0014\n"));  // two 1 mm lines in a row
    // One unknown point: the step between the stages fails; the tool says so and exits 1.
    std::ofstream(dir.File("one.txt")) << "<< one point\nA 01 0 0 10\nB 00 0 0 0\n<<\nA B h0 1.5\n";
    const CliResult third = RunCliIn(dir.File(""), {"design", "h", dir.File("one.txt"), "-m", "third"});
    EXPECT_EQ(third.status, 1);
    EXPECT_TRUE(Contains(third.err, "the design analysis of the height network failed"));
}

TEST(AdjustCommand, WritesThePointPairAndReliabilityReports) {
    ScratchDir dir;
    const CliResult r = RunCli({"adjust", "xy", Example("plane.txt"), "--direction-sigma", "1.5", "--points-report",
                                dir.File("points.txt"), "--pairs-report", dir.File("pairs.txt"),
                                "--reliability-report", dir.File("gross.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(ReadWholeFile(dir.File("points.txt")), "\nT2    0.01"));
    EXPECT_TRUE(Contains(ReadWholeFile(dir.File("pairs.txt")), "  P1     P2   --Mt-- --Md-- -d/Md- --d--\n"));
    const std::string gross = ReadWholeFile(dir.File("gross.txt"));
    EXPECT_TRUE(Contains(gross, "\n====粗差分析====\n"));
    EXPECT_TRUE(Contains(gross, "\nc    K3"));
    EXPECT_TRUE(Contains(gross, "           [r]="));
}

}  // namespace
}  // namespace quenvar::testing
