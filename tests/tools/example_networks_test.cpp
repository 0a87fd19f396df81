// The bundled example networks: their observations agree with the true coordinates they were
// generated from, and the tool run on them recovers those coordinates. The tool tests need the
// file readers, the calculation and the adjustment of the library; they are skipped while the
// library cannot load the examples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "quenvar.h"
#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Example(const std::string& name) { return std::string(QUENVAR_SOURCE_DIR) + "/examples/" + name; }

struct TruePoint {
    double x, y, h;
};

std::map<std::string, TruePoint> ReadTruth(const std::string& path) {
    std::map<std::string, TruePoint> points;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        char name[8] = {};
        TruePoint p{};
        if (std::sscanf(line.c_str(), "%7[^,],%lf,%lf,%lf", name, &p.x, &p.y, &p.h) == 4) points[name] = p;
    }
    return points;
}

std::vector<std::string> DataLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos || line[first] == '/') continue;
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

struct Sight {
    std::string station, target;
    char kind;
    double value;  // degrees for angles (converted from ddd.mmss here), metres otherwise
};

double DmsToDegrees(double dms) {
    const double a = std::fabs(dms);
    const double degrees = std::floor(a);
    const double minutes = std::floor((a - degrees) * 100.0 + 1e-9);
    const double seconds = ((a - degrees) * 100.0 - minutes) * 100.0;
    return std::copysign(degrees + minutes / 60.0 + seconds / 3600.0, dms);
}

// The observation section of a text network file, read here independently of the library.
std::vector<Sight> ReadSights(const std::string& path) {
    std::vector<Sight> sights;
    std::string station;
    int sections = 0;
    for (const std::string& line : DataLines(path)) {
        if (line.find("<<") != std::string::npos) {
            ++sections;
            continue;
        }
        if (sections < 2) continue;
        std::istringstream fields(line);
        if (line[0] != ' ') fields >> station;
        Sight s{station, "", 0, 0.0};
        std::string kindAndClass;
        fields >> s.target >> kindAndClass >> s.value;
        s.kind = kindAndClass[0];
        if (s.kind == 'c' || s.kind == 'z' || s.kind == 'b') s.value = DmsToDegrees(s.value);
        sights.push_back(s);
    }
    return sights;
}

const Sight* FindSight(const std::vector<Sight>& sights, const std::string& station, const std::string& target,
                       char kind) {
    for (const Sight& s : sights) {
        if (s.station == station && s.target == target && s.kind == kind) return &s;
    }
    return nullptr;
}

TEST(ExampleData, HeightObservationsAgreeWithTrueHeights) {
    const auto truth = ReadTruth(Example("height_truth.csv"));
    const auto sights = ReadSights(Example("height.txt"));
    int levelled = 0, trigonometric = 0;
    for (const Sight& s : sights) {
        const TruePoint& a = truth.at(s.station);
        const TruePoint& b = truth.at(s.target);
        if (s.kind == 'h') {
            EXPECT_NEAR(s.value, b.h - a.h, 0.01) << s.station << "-" << s.target;
            EXPECT_TRUE(FindSight(sights, s.station, s.target, 'l') || FindSight(sights, s.station, s.target, 'n'));
            ++levelled;
        }
        if (s.kind != 'z' && s.kind != 'b') continue;
        // Trigonometric height: D tan(alpha) + i - v + (1 - 0.14) D^2 / 2R with R = 6372000 m.
        const double alpha = (s.kind == 'z' ? 90.0 - s.value : s.value) * kPi / 180.0;
        const Sight* slope = FindSight(sights, s.station, s.target, 's');
        const Sight* instrument = FindSight(sights, s.station, s.station, 'i');
        const Sight* target = FindSight(sights, s.station, s.target, 'v');
        if (!target) target = FindSight(sights, s.target, s.target, 'v');
        ASSERT_TRUE(slope && instrument && target) << s.station << "-" << s.target;
        const double d = slope->value * std::cos(alpha);
        EXPECT_NEAR(d, std::hypot(b.x - a.x, b.y - a.y), 0.01);
        const double rise = d * std::tan(alpha) + instrument->value - target->value + 0.86 * d * d / 12744000.0;
        EXPECT_NEAR(rise, b.h - a.h, 0.02) << s.station << "-" << s.target;
        ++trigonometric;
    }
    EXPECT_EQ(levelled, 5);
    EXPECT_EQ(trigonometric, 5);
}

TEST(ExampleData, GeneratorReproducesTheCommittedFiles) {
    ScratchDir dir;
    const CliResult r = RunProgram({"python3", Example("generate.py"), dir.File("")});
    if (r.status == 127) GTEST_SKIP() << "python3 not available";
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"plane.txt", "height.txt", "plane_truth.csv", "height_truth.csv"}) {
        EXPECT_EQ(ReadWholeFile(dir.File(name)), ReadWholeFile(Example(name))) << name;
    }
}

// ---- The tool on the examples (needs the library's readers, calculation and adjustment) -----

int Silent(const char*, const char*, int, void*) { return 1; }

bool ReadersPresent() {
    zrSetMessageHook(&Silent, nullptr);
    const int loaded = zrLoadData(Example("plane.txt").c_str());
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
    return loaded == 1;
}

#define SKIP_WITHOUT_READERS()                       \
    if (!ReadersPresent()) {                         \
        GTEST_SKIP() << "readers not present";       \
    }

// Points of a text network file written by the library: name, classes, X, Y, H.
std::map<std::string, TruePoint> ReadWrittenPoints(const std::string& path) {
    std::map<std::string, TruePoint> points;
    const std::vector<std::string> lines = DataLines(path);
    for (size_t i = 1; i < lines.size() && lines[i].find("<<") == std::string::npos; ++i) {
        char name[8] = {};
        char planeClass = 0, heightClass = 0;
        TruePoint p{};
        if (std::sscanf(lines[i].c_str(), "%7s %c%c %lf %lf %lf", name, &planeClass, &heightClass, &p.x, &p.y, &p.h) == 6) {
            points[name] = p;
        }
    }
    return points;
}

// Every point of the truth file in a network file written by the tool, within tolerance in
// X and Y (plane network) or in H (height network).
void ExpectNearTruth(const std::string& written, const char* truthFile, bool height, double tolerance) {
    const auto points = ReadWrittenPoints(written);
    for (const auto& [name, t] : ReadTruth(Example(truthFile))) {
        ASSERT_TRUE(points.count(name)) << name;
        const TruePoint& p = points.at(name);
        if (height) {
            EXPECT_NEAR(p.h, t.h, tolerance) << name;
        } else {
            EXPECT_NEAR(p.x, t.x, tolerance) << name;
            EXPECT_NEAR(p.y, t.y, tolerance) << name;
        }
    }
}

TEST(ExampleNetworks, TextRoundTripKeepsEveryRecord) {
    SKIP_WITHOUT_READERS();
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
    SKIP_WITHOUT_READERS();
    ScratchDir dir;
    CliResult r = RunCli({"--answer", "yes", "calc", "xy", Example("plane.txt"), "-o", dir.File("plane.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("plane.txt"), "plane_truth.csv", false, 0.05);
    r = RunCli({"--answer", "yes", "calc", "h", Example("height.txt"), "-o", dir.File("height.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("height.txt"), "height_truth.csv", true, 0.05);
}

TEST(ExampleNetworks, AdjustmentRecoversTheTruthAndWritesItsReport) {
    SKIP_WITHOUT_READERS();
    ScratchDir dir;
    CliResult r = RunCli({"--answer", "yes", "adjust", "xy", Example("plane.txt"), "--direction-sigma", "1.5",
                          "--report", dir.File("plane.rep"), "-o", dir.File("plane.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("plane.txt"), "plane_truth.csv", false, 0.02);
    EXPECT_FALSE(ReadWholeFile(dir.File("plane.rep")).empty());
    r = RunCli({"--answer", "yes", "adjust", "h", Example("height.txt"), "--report", dir.File("height.rep"), "-o",
                dir.File("height.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectNearTruth(dir.File("height.txt"), "height_truth.csv", true, 0.02);
    EXPECT_FALSE(ReadWholeFile(dir.File("height.rep")).empty());
}

TEST(ExampleNetworks, QuestionsAreAnsweredFromTheCommandLine) {
    SKIP_WITHOUT_READERS();
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
    const CliResult yes = RunCli({"--answer", "yes", "adjust", "xy", dir.File("lonely.txt")});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(Contains(yes.err, "answered yes"));
}

}  // namespace
}  // namespace quenvar::testing
