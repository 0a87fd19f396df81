// `quenvar closures` and `quenvar design` on the bundled networks and on a planned levelling line,
// and the point, pair and reliability reports of `quenvar adjust`, run as a user runs the tool.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

TEST(ClosuresCommand, TableReportChartsAndNetworksWithoutLoops) {
    TempDir dir;
    const CliResult r = RunCli({"closures", "xy", Example("plane.txt"), "-r", dir.File("closures.txt"), "--charts",
                                dir.File("")});
    ASSERT_EQ(r.status, 0) << r.err;
    // The table in UTF-8: the heading, one line per loop and the standard error.
    EXPECT_EQ(r.out.rfind(Utf8(u8"序号 —闭合差—  权倒数  —限差—\n"), 0), 0u) << r.out;
    EXPECT_TRUE(ContainsAll(r.out, {"\n   5   -0.00071    5.00   0.03098\n", Utf8(u8"\n观测值中误差(m) = [")}));
    const std::string report = ReadAll(dir.File("closures.txt"));  // GBK, as the literals here
    EXPECT_EQ(report.rfind("\n====闭合差统计表====\n", 0), 0u);
    EXPECT_TRUE(ContainsAll(report, {"附合导线\n", "\nfx="}));
    // Loop 8 could not be computed: it has no chart.
    for (const char* loop : {"001", "008", "010"})
        EXPECT_EQ(std::filesystem::exists(dir.File("loop-" + std::string(loop) + ".svg")), loop != std::string("008")) << loop;
    EXPECT_TRUE(Contains(ReadAll(dir.File("loop-010.svg")), "<polyline "));

    EXPECT_TRUE(Ended(RunCli({"closures", "h", Example("height.txt"), "--charts", dir.File("missing")}), 1, "not a directory"));
    // The plane example has no levelled lines.
    EXPECT_TRUE(Ended(RunCli({"closures", "h", Example("plane.txt")}), 1, Utf8(u8"无闭合差")));
}

TEST(DesignCommand, GeneralDesignPrintsThePointErrorsAndTheThirdClassRatesTheObservations) {
    TempDir dir;
    const CliResult r = RunCliIn(dir.File(""), {"design", "xy", Example("design.txt"), "--direction-sigma", "1",
                                                "--pairs-report", dir.File("pairs.txt"), "-r", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "answered yes"));  // the new points are computed again
    EXPECT_TRUE(Contains(r.out, "m(d.mmss):      0.000100"));
    EXPECT_TRUE(ContainsAll(ReadAll(dir.File("pairs.txt")), {"\n==== 平面点间 误差统计表====\n", "\nD1      N1    "}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("optim0.dat")));

    // The third-class analysis rates the planned observations and leaves its working files.
    const CliResult third = RunCliIn(dir.File(""), {"-q", "design", "xy", Example("design.txt"), "--method", "third",
                                                    "--direction-sigma", "1", "--reliability-report", dir.File("rel.txt")});
    ASSERT_EQ(third.status, 0) << third.err;
    for (const char* name : {"optim0.dat", "optim1.dat", "optim2.dat"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(name))) << name;
    // 35 observations, three of them planned distances, are rated, each in a line of its own.
    EXPECT_EQ(ReadAll(dir.File("optim2.dat")).size(), 35u * 10);
    EXPECT_TRUE(ContainsAll(third.out, {"Weakest direction: lambda = ", "\n   35 "}));
    EXPECT_TRUE(ContainsAll(ReadAll(dir.File("rel.txt")), {"\n====可靠性分析====\n", " m=0.000100 a0=0.1% b0=80% d0=4.13\n"}));
}

TEST(DesignCommand, PlannedLevellingAndItsFailures) {
    TempDir dir;
    std::ofstream(dir.File("line.txt")) << "<< planned levelling\nA 01 0 0 10\nB 00 0 0 0\nC 00 0 0 0\n<<\n"
                                           "A B h0 1.5\nB C h0 0.5\n  A ha -2.0\n";
    const CliResult general = RunCliIn(dir.File(""), {"design", "h", dir.File("line.txt"), "--level-sigma", "1"});
    ASSERT_EQ(general.status, 0) << general.err;
    EXPECT_TRUE(ContainsAll(general.out, {" --MH--\nB     0.0010\n", "\nC     0.0014\n"}));  // C: two 1 mm lines in a row
    // One unknown point: the step between the stages fails; the tool says so and exits 1.
    std::ofstream(dir.File("one.txt")) << "<< one point\nA 01 0 0 10\nB 00 0 0 0\n<<\nA B h0 1.5\n";
    EXPECT_TRUE(Ended(RunCliIn(dir.File(""), {"design", "h", dir.File("one.txt"), "-m", "third"}), 1,
                      "the design analysis of the height network failed"));
}

TEST(AdjustCommand, WritesThePointPairAndReliabilityReports) {
    TempDir dir;
    const CliResult r = RunCli({"adjust", "xy", Example("plane.txt"), "--direction-sigma", "1.5", "--points-report",
                                dir.File("points.txt"), "--pairs-report", dir.File("pairs.txt"),
                                "--reliability-report", dir.File("gross.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(ReadAll(dir.File("points.txt")), "\nT2    0.01"));
    EXPECT_TRUE(Contains(ReadAll(dir.File("pairs.txt")), "  P1     P2   --Mt-- --Md-- -d/Md- --d--\n"));
    EXPECT_TRUE(ContainsAll(ReadAll(dir.File("gross.txt")), {"\n====粗差分析====\n", "\nc    K3", "           [r]="}));
}

// The bundled example networks: the generator reproduces them, a round trip keeps them, and
// the calculation and the adjustment recover the true coordinates they came from.

// Name and X, Y, H of every line of a file that the format scans whole.
std::map<std::string, std::array<double, 3>> ScanPoints(const std::string& path, const char* format) {
    std::map<std::string, std::array<double, 3>> points;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        char name[8] = {};
        std::array<double, 3> p{};
        if (std::sscanf(line.c_str(), format, name, &p[0], &p[1], &p[2]) == 4) points[name] = p;
    }
    return points;
}

// Every true point ("name,x,y,h" lines) is in the text network file the tool wrote (name,
// classes, X, Y, H), within tolerance in X and Y (plane network) or in H (height network).
void ExpectNearTruth(const std::string& written, const std::string& network, double tolerance) {
    const auto points = ScanPoints(written, "%7s %*2c %lf %lf %lf");
    const bool height = network == "height";
    for (const auto& [name, t] : ScanPoints(Example(network + "_truth.csv"), "%7[^,],%lf,%lf,%lf")) {
        ASSERT_TRUE(points.count(name)) << name;
        for (size_t k = height ? 2 : 0; k < (height ? 3u : 2u); ++k) EXPECT_NEAR(points.at(name)[k], t[k], tolerance) << name;
    }
}

TEST(ExampleNetworks, GeneratorAndTextRoundTripReproduceTheFiles) {
    TempDir dir;
    const CliResult generated = RunProgram({"python3", Example("generate.py"), dir.File("")});
    EXPECT_TRUE(generated.status == 0 || generated.status == 127) << generated.err;  // 127: no python3
    auto dataLines = [](const std::string& path) {  // not empty, not comments ("/"), trailing blanks cut
        std::vector<std::string> lines;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            const size_t first = line.find_first_not_of(' ');
            if (first != std::string::npos && line[first] != '/') lines.push_back(line.erase(line.find_last_not_of(' ') + 1));
        }
        return lines;
    };
    for (const std::string network : {"plane", "height", "design"}) {
        for (const std::string& name : {network + ".txt", network + "_truth.csv"})
            EXPECT_TRUE(generated.status != 0 || ReadAll(dir.File(name)) == ReadAll(Example(name))) << name;
        ASSERT_EQ(RunCli({"--quiet", "convert", Example(network + ".txt"), dir.File("back.txt")}).status, 0);
        std::vector<std::string> original = dataLines(Example(network + ".txt"));
        original[0] = "<<";  // the title line's text is not kept
        EXPECT_EQ(dataLines(dir.File("back.txt")), original) << network;
    }
}

TEST(ExampleNetworks, CalculationAndAdjustmentComeCloseToTheTruth) {
    TempDir dir;
    const std::vector<std::string> runs[] = {{"calc", "xy", "plane"}, {"calc", "h", "height"},
                                             {"adjust", "xy", "plane", "--direction-sigma", "1.5", "--report", dir.File("plane.rep")},
                                             {"adjust", "h", "height", "--report", "-"}};
    CliResult r;
    for (std::vector<std::string> args : runs) {
        const std::string network = args[2];
        args[2] = Example(network + ".txt");
        args.insert(args.end(), {"-o", dir.File("out.txt")});
        r = RunCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        ExpectNearTruth(dir.File("out.txt"), network, args[0] == "calc" ? 0.05 : 0.02);
    }
    const std::string report = ReadAll(dir.File("plane.rep"));  // GBK, as the literals here
    EXPECT_EQ(report.rfind("平面网平差后精度如下:\n", 0), 0u) << report;
    EXPECT_TRUE(Contains(report, "\n最大边长比例误差= 1/"));
    // The height report printed in UTF-8 ("高程网平差后"), with a line end after the last line.
    EXPECT_EQ(r.out.rfind("\xE9\xAB\x98\xE7\xA8\x8B\xE7\xBD\x91\xE5\xB9\xB3\xE5\xB7\xAE\xE5\x90\x8E", 0), 0u);
    EXPECT_EQ(r.out.back(), '\n');
}

}  // namespace
}  // namespace quenvar::testing
