// The tool on the bundled example networks: the generator reproduces them, a round trip keeps
// them, and the calculation and the adjustment recover the true coordinates they came from.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

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
    ScratchDir dir;
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
            EXPECT_TRUE(generated.status != 0 || ReadWholeFile(dir.File(name)) == ReadWholeFile(Example(name))) << name;
        ASSERT_EQ(RunCli({"--quiet", "convert", Example(network + ".txt"), dir.File("back.txt")}).status, 0);
        std::vector<std::string> original = dataLines(Example(network + ".txt"));
        original[0] = "<<";  // the title line's text is not kept
        EXPECT_EQ(dataLines(dir.File("back.txt")), original) << network;
    }
}

TEST(ExampleNetworks, CalculationAndAdjustmentComeCloseToTheTruth) {
    ScratchDir dir;
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
    const std::string report = ReadWholeFile(dir.File("plane.rep"));  // GBK, as the literals here
    EXPECT_EQ(report.rfind("平面网平差后精度如下:\n", 0), 0u) << report;
    EXPECT_TRUE(Contains(report, "\n最大边长比例误差= 1/"));
    // The height report printed in UTF-8 ("高程网平差后"), with a line end after the last line.
    EXPECT_EQ(r.out.rfind("\xE9\xAB\x98\xE7\xA8\x8B\xE7\xBD\x91\xE5\xB9\xB3\xE5\xB7\xAE\xE5\x90\x8E", 0), 0u);
    EXPECT_EQ(r.out.back(), '\n');
}

}  // namespace
}  // namespace quenvar::testing
