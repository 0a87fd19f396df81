// The tool on the bundled example networks: the generator reproduces them, a round trip keeps
// them, and the calculation and the adjustment recover the true coordinates they came from.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

std::string Example(const std::string& name) { return std::string(QUENVAR_SOURCE_DIR) + "/examples/" + name; }

struct Coordinates {
    double x, y, h;
};

// Lines that are neither empty nor comments ("/"), without trailing blanks.
std::vector<std::string> DataLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos || line[first] == '/') continue;
        lines.push_back(line.erase(line.find_last_not_of(' ') + 1));
    }
    return lines;
}

// The truth file: a heading, then "name,x,y,h" lines.
std::map<std::string, Coordinates> ReadTruth(const std::string& path) {
    std::map<std::string, Coordinates> points;
    for (const std::string& line : DataLines(path)) {
        char name[8] = {};
        Coordinates p{};
        if (std::sscanf(line.c_str(), "%7[^,],%lf,%lf,%lf", name, &p.x, &p.y, &p.h) == 4) points[name] = p;
    }
    return points;
}

// Every true point in a text network file written by the tool (name, classes, X, Y, H), within
// tolerance in X and Y (plane network) or in H (height network).
void ExpectNearTruth(const std::string& written, const char* truthFile, bool height, double tolerance) {
    std::map<std::string, Coordinates> points;
    const std::vector<std::string> lines = DataLines(written);
    for (size_t i = 1; i < lines.size() && lines[i].find("<<") == std::string::npos; ++i) {
        char name[8] = {};
        Coordinates p{};
        if (std::sscanf(lines[i].c_str(), "%7s %*2c %lf %lf %lf", name, &p.x, &p.y, &p.h) == 4) points[name] = p;
    }
    for (const auto& [name, t] : ReadTruth(Example(truthFile))) {
        ASSERT_TRUE(points.count(name)) << name;
        const Coordinates& p = points.at(name);
        EXPECT_NEAR(height ? p.h : p.x, height ? t.h : t.x, tolerance) << name;
        EXPECT_NEAR(height ? 0 : p.y, height ? 0 : t.y, tolerance) << name;
    }
}

TEST(ExampleNetworks, GeneratorReproducesTheCommittedFiles) {
    ScratchDir dir;
    const CliResult r = RunProgram({"python3", Example("generate.py"), dir.File("")});
    if (r.status == 127) GTEST_SKIP() << "python3 not available";
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"plane.txt", "height.txt", "plane_truth.csv", "height_truth.csv"}) {
        EXPECT_EQ(ReadWholeFile(dir.File(name)), ReadWholeFile(Example(name))) << name;
    }
}

TEST(ExampleNetworks, TextRoundTripKeepsEveryRecord) {
    ScratchDir dir;
    for (const char* name : {"plane.txt", "height.txt"}) {
        const CliResult r = RunCli({"--quiet", "convert", Example(name), dir.File(name)});
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> original = DataLines(Example(name));
        original[0] = "<<";  // the title line's text is not kept
        EXPECT_EQ(DataLines(dir.File(name)), original) << name;
    }
}

TEST(ExampleNetworks, ApproximateValuesComeCloseToTheTruth) {
    ScratchDir dir;
    CliResult r = RunCli({"calc", "xy", Example("plane.txt"), "-o", dir.File("plane.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("plane.txt"), "plane_truth.csv", false, 0.05);
    r = RunCli({"calc", "h", Example("height.txt"), "-o", dir.File("height.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("height.txt"), "height_truth.csv", true, 0.05);
}

TEST(ExampleNetworks, AdjustmentRecoversTheTruthAndWritesItsReports) {
    ScratchDir dir;
    CliResult r = RunCli({"adjust", "xy", Example("plane.txt"), "--direction-sigma", "1.5", "--report",
                          dir.File("plane.rep"), "-o", dir.File("plane.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("plane.txt"), "plane_truth.csv", false, 0.02);
    const std::string report = ReadWholeFile(dir.File("plane.rep"));  // GBK, as the literals here
    EXPECT_EQ(report.rfind("平面网平差后精度如下:\n", 0), 0u) << report;
    EXPECT_TRUE(Contains(report, "\n最大边长比例误差= 1/"));

    r = RunCli({"adjust", "h", Example("height.txt"), "--report", "-", "-o", dir.File("height.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("height.txt"), "height_truth.csv", true, 0.02);
    // Printed in UTF-8 ("高程网平差后"), with a line end added after the last line.
    EXPECT_EQ(r.out.rfind("\xE9\xAB\x98\xE7\xA8\x8B\xE7\xBD\x91\xE5\xB9\xB3\xE5\xB7\xAE\xE5\x90\x8E", 0), 0u);
    EXPECT_EQ(r.out.back(), '\n');
}

TEST(ExampleNetworks, QuestionsAreAnsweredFromTheCommandLine) {
    ScratchDir dir;
    // An unknown point without observations gets no approximate coordinates; the adjustment
    // asks whether to go on without it.
    std::string text = ReadWholeFile(Example("plane.txt"));
    text.insert(text.find("K1    10"), "Z9    00 0.000000 0.000000 0.000000\n");
    std::ofstream(dir.File("lonely.txt")) << text;
    const CliResult no = RunCli({"--answer", "no", "adjust", "xy", dir.File("lonely.txt")});
    EXPECT_EQ(no.status, 1);
    EXPECT_TRUE(Contains(no.err, "Z9 \xE7\x82\xB9\xE5\x9D\x90\xE6\xA0\x87"));  // "Z9 点坐标" in UTF-8
    EXPECT_TRUE(Contains(no.err, "answered no"));
    const CliResult yes = RunCli({"adjust", "xy", dir.File("lonely.txt"), "--answer", "yes"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(Contains(yes.err, "answered yes"));
}

}  // namespace
}  // namespace quenvar::testing
