// The text network file and the editor text: reading, writing and reading back; values that are
// not finite, read from text or binary files, never reach the calculation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <regex>
#include <string>

#include "adjust/adjustment_parameters.h"
#include "approx/calculate.h"
#include "geom/angles.h"
#include "netdb/database_file.h"
#include "netdb/editor_text.h"
#include "netdb/text_reader.h"
#include "netdb/text_writer.h"
#include "netdb/value_checks.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

struct ReadNet {
    Network net;
    RecordingMessenger ui;
    int result;
    explicit ReadNet(const std::string& text) {
        AllocateDatabase(net, ui, true);
        result = ReadTextNetworkFromString(net, ui, text);
    }
    std::string Names() const {
        std::string names;
        for (int i = 1; i <= net.hdr.pointCount; ++i) names += PointName(net.Point(i)) + ",";
        return names;
    }
};

TEST(TextReader, StationsAndIndentedLinesFillTheChains) {
    const std::string basic = "title <<\nP1 12 100.5 200.25 50\n<<\nP1 P2 c1 45.3000\n  P3 d 1234.567\nP2 P1 d 7\nP1 P4 h 1\n";
    ReadNet r(basic);
    ASSERT_EQ(r.result * 10 + r.net.hdr.lastPoint, 24);
    const PointRec p1 = r.net.Point(1);
    EXPECT_TRUE(p1.x == 100.5 && p1.y == 200.25 && p1.h == 50.0 && PlaneClass(p1) * 10 + HeightClass(p1) == 12);
    EXPECT_EQ(Rows(r.net, 1), (Strings{Row("P2", KindDirection, 1, 0.7941248096574199),
                                       Row("P3", KindDistance, 0, 1234.567), Row("P4", KindLevelled, 0, 1)}));
    EXPECT_EQ(Rows(r.net, 2), Strings{Row("P1", KindDistance, 0, 7)});
    EXPECT_TRUE(r.ui.messages.empty());
    // Separator characters, tab indentation and CR LF line ends read like blanks and LF.
    for (const std::string& text : {std::regex_replace(basic, std::regex("\n"), "\r\n"),
                                    std::string("<<\n\"P1\",12,(100.5);[200.25]{50}|\n<<\n"
                                                "P1:'P2' c1 45.3000\n\tP3 d 1234.567\nP2 P1 d 7\nP1 P4 h 1\n")}) {
        ReadNet same(text);
        EXPECT_TRUE(std::memcmp(&same.net.hdr, &r.net.hdr, sizeof(NetHeader)) == 0 &&
                    std::memcmp(same.net.points.data(), r.net.points.data(), 5 * sizeof(PointRec)) == 0 &&
                    std::memcmp(same.net.obs.data(), r.net.obs.data(), 5 * sizeof(ObsRec)) == 0);
    }
}

TEST(TextReader, TitleCommentsShortLinesLongLinePiecesAndSixCharacterNames) {
    // "ab" and its line end are too short, "abc" and its line end not; over 99 characters go on as a line.
    ReadNet r("<<\n   / P9 10 1 2 3\nab\nabc\nP1 10 1 2 3" + std::string(88, ' ') + "P8 10 5 6 7\n");
    EXPECT_TRUE(r.Names() == "abc,P1,P8," && r.net.Point(3).x == 5.0);
    ReadNet untitled("P1 10 1 2 3\n<<\n");
    EXPECT_TRUE(untitled.result == 0 && untitled.net.hdr.pointCount == 0);
    // A six-character name is stored cut to five, so it never matches its own point again.
    ReadNet longer("<<\nLONGER 10 1 1 1\n<<\nLONGER LONGER d 5\n");
    EXPECT_TRUE(longer.Names() == "LONGE,LONGE,LONGE," && longer.net.Obs(1).target == 3);
    PointLookup lookup(longer.net);
    for (const char* name : {"LONGE", "LONGER", "Z", "      LONGE", "   LONGE", "LONGE x"})
        EXPECT_EQ(lookup.Find(name), FindPoint(longer.net, name)) << name;
}

TEST(TextReader, KindLettersClassCharactersAnglesAndRejections) {
    ReadNet r("<<\nA 27 1 1 1\nB 5\n<<\nA B D 10\n B Q 10.3000\n B hm 1\n B lA 2\n B sx 3\n B #1 99\n B 27 1.3\n");
    EXPECT_TRUE(PlaneClass(r.net.Point(1)) * 10 + HeightClass(r.net.Point(1)) == 27 && PlaneClass(r.net.Point(2)) == 0);
    // Q is not in the kind table: defaultObsKind (c); # drops its value.
    auto b = [](int kind, int cls, double value) { return Row("B", kind, cls, value); };
    EXPECT_EQ(Rows(r.net, 1), (Strings{b(KindDistance, 0, 10), b(KindDirection, 0, 10.5 * Deg), b(KindLevelled, 5, 1), b(KindLineLength, 6, 2),
                                       b(KindSlope, 0, 3), b(KindConnection, 1, 0), b(KindFurther2, 7, 1.5 * Deg)}));
    // An angle adds the direction before the first direction to its target.
    ReadNet angles("<<\n<<\nS A c 10.0000\n B < 30.0000\n A < 5.0000\n C c 20.0000\n A < 5.0000\n");
    auto c = [](const char* target, double degrees) { return Row(target, KindDirection, 0, degrees * Deg); };
    EXPECT_EQ(Rows(angles.net, 1), (Strings{c("A", 10), c("B", 40), c("A", 5), c("C", 20), c("A", 5)}));
    // Implausible zenith angles and distances and a station sighting itself are rejected.
    ReadNet rejected("<<\n<<\nP1 P2 z 30.0000\n P2 z3 30.0000\n P2 z 90.0000\n P1 i 1.5\n P1 d 10\n P2 d nan\n");
    EXPECT_EQ(Rows(rejected.net, 1), (Strings{Row("P2", KindZenith, 7, 30 * Deg), Row("P2", KindZenith, 3, 30),
                                              Row("P2", KindZenith, 0, 90 * Deg), Row("P1", KindInstrument, 0, 1.5),
                                              Row("P1", KindDistance, 7, 10), Row("P2", KindDistance, 7, 0)}));
    const char* const wrong = "观测值错误! 测站=1  目标=2\n";
    EXPECT_EQ(rejected.ui.Texts(), (Strings{wrong, "观测值错误! 测站=1  目标=1\n", wrong}));
}

TEST(TextReader, GrowthDuringReading) {
    // Growth at point 3068 stops further observations; targets 3061..3067 came before it.
    std::string text = "<<\n";
    for (int i = 1; i <= 3060; ++i) text += "P" + std::to_string(i) + " 00 1 1 1\n";
    text += "<<\nP1 P2 d 10\n";
    for (int i = 1; i <= 10; ++i) text += " N" + std::to_string(i) + " d 10\n";
    ReadNet grown(text);
    EXPECT_TRUE(grown.net.hdr.pointCount == 3070 && grown.net.PointCapacity() == 4096 && grown.net.hdr.obsCount == 8);
    EXPECT_EQ(grown.ui.Texts(), Strings(3, "no enough space"));
    // A long chain of one station; points beyond the most there can be are refused, once.
    text = "<<\n<<\nS A d 1\n";
    for (int i = 2; i <= 12000; ++i) text += " A d " + std::to_string(i) + "\n";
    ReadNet chain(text);
    const Strings rows = Rows(chain.net, 1);
    EXPECT_TRUE(rows.size() == 12000u && rows.back() == Row("A", KindDistance, 0, 12000));
    text = "<<\n";
    for (int i = 1; i <= MaxPoints + 2; ++i) text += "Q" + std::to_string(i) + " 00\n";
    ReadNet huge(text);
    EXPECT_TRUE(huge.net.hdr.pointCount == MaxPoints && DatabaseIsConsistent(huge.net) && huge.ui.messages.size() == 1);
}

// Known points A (plane), H (height) and K (height, plane excluded), unknown U and excluded
// X; rejected observations at A and H.
struct Small {
    Network net;
    NetworkBuilder b{net};
    Small() {
        b.Point("A", 100, 200, 0, 1, 0);
        b.Point("U", 150, 250, 0, 0, 0);
        b.Point("H", 0, 0, 12.5, 0, 1);
        b.Point("X", 1, 1, 1, 7, 7);
        b.Point("K", 1, 1, 1, 7, 1);
        b.Obs(1, 2, KindDirection, 0.7941248096574199, 1);
        b.Obs(1, 2, KindDistance, -5.0, ClassRejected);
        b.Obs(1, 2, KindDistance, 1234.567);
        b.Obs(2, 3, KindLevelled, 0.5);
        b.Obs(3, 2, KindDistance, 7.0, ClassRejected);
    }
};

TEST(TextWriter, FileLinesPadNamesAndAlignValues) {
    TempDir dir;
    Small s;
    s.b.Obs(5, 0, KindLevelled, 2.0);  // written with the default kind c, class 0, blank name
    ASSERT_EQ(WriteTextNetwork(s.net, dir.File("n.txt"), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("n.txt")),
              "<<\nA     10 100.000000 200.000000 0.000000\nU     00 150.000000 250.000000 0.000000\n"
              "H     01 0.000000 0.000000 12.500000\nK     71 1.000000 1.000000 1.000000\n\n<<\n\n"
              "A     U      c1    45.300000\n      U      d0  1234.567000\n\nU     H      h0     0.500000\n\n"
              "\nK            c0   114.352961\n\n");  // 2 rad = 114d35'29.61"
    ASSERT_EQ(WriteTextNetwork(s.net, dir.File("p.txt"), 1), 2);
    const std::string all = ReadAll(dir.File("n.txt"));
    EXPECT_EQ(ReadAll(dir.File("p.txt")), all.substr(0, all.find("\n\n<<") + 1));
    s.net.hdr.pointCount = 0;
    ASSERT_EQ(WriteTextNetwork(s.net, dir.File("e.txt"), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("e.txt")), "<<\n\n<<\n\n");
    EXPECT_EQ(WriteTextNetwork(s.net, dir.File("missing/x.txt"), 0), 0);
}

TEST(TextWriter, ReadingBackKeepsWhatTheFormatHolds) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 1000.125, 2000.5, 10.75, 1, 1);
    b.Point("B", 1, 2, 3, 0, 2);
    b.Point("C", 4, 5, 6, 3, 5);  // classes 3 to 6 read back as 0
    b.Point("D", 7, 8, 9, 7, 0);
    Strings expected;
    auto add = [&](int target, int kind, double value, int cls, double readBack) {
        b.Obs(1, target, kind, value, cls);
        if (cls != ClassRejected) expected.push_back(Row(PointName(net.Point(target)), kind, cls, readBack));
    };
    const int angleKinds[] = {KindDirection, KindAzimuth, KindZenith, KindVertical, KindFurther2, KindFurther4};
    const double dms[] = {45.3, 123.4530, 91.1523, -1.2, 12.3456, 359.5959};
    for (int k = 0; k < 6; ++k) add(2 + k % 3, angleKinds[k], DmsToRadians(dms[k]), k % 3, DmsToRadians(dms[k]));
    const int otherKinds[] = {KindDistance, KindSlope, KindLevelled, KindTargetHeight, KindSetups,
                              KindLineLength, KindTrigHeight, KindFurther1, KindFurther3};
    for (int k = 0; k < 9; ++k) add(2 + k % 2, otherKinds[k], 100.25 + k, k % 2 ? 4 : 5 + k % 3, 100.25 + k);
    add(1, KindInstrument, 1.625, ClassOrdinary, 1.625);
    add(3, KindConnection, 0.0, ClassOrdinary, 0.0);
    add(2, KindDirection, 0.5, ClassVerbatim, 28.38524);  // d.mmss to 6 decimals, read back as is
    add(3, KindDistance, 5.0, ClassRejected, 0.0);

    ASSERT_EQ(WriteTextNetwork(net, dir.File("r.txt"), 0), 2);
    Network back;
    RecordingMessenger ui;
    AllocateDatabase(back, ui, true);
    ASSERT_EQ(ReadTextNetwork(back, ui, dir.File("r.txt")) * 10 + back.hdr.pointCount, 24);
    EXPECT_TRUE(ui.messages.empty());
    const int classes[] = {11, 2, 0, 70};
    for (int i = 1; i <= 4; ++i) {
        const PointRec p = back.Point(i), q = net.Point(i);
        EXPECT_TRUE(PointName(p) == PointName(q) && p.x == q.x && p.y == q.y && p.h == q.h) << i;
        EXPECT_EQ(PlaneClass(p) * 10 + HeightClass(p), classes[i - 1]);
    }
    EXPECT_EQ(Rows(back, 1), expected);
}

TEST(EditorText, BuildAndApplyGiveBackKnownPointsAndObservations) {
    TempDir dir;
    Small s;
    s.net.hdr.designMode = 1;
    std::string text = "old";
    BuildEditorText(s.net, text);
    const std::string stations = "A     \tU      c1    45.300000\r\n\tU      d0  1234.567000\r\n\r\n"
                                 "U     \tH      h0     0.500000\r\n\r\n";
    EXPECT_EQ(text, "<<\r\nA     10 100.000000 200.000000 0.000000\r\nH     01 0.000000 0.000000 12.500000\r\n"
                    "K     71 1.000000 1.000000 1.000000\r\n<<\r\n" + stations + "H     \r\n");
    const std::string scratch = dir.File("tmp.txt");
    ASSERT_EQ(ApplyEditorText(s.net, s.b.ui(), text, scratch), 2);
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_EQ(s.net.hdr.designMode, 0);  // header settings are reset
    // U comes back as a bare target after the known points; H's only observation was
    // rejected, so it has no station block.
    EXPECT_EQ(PointName(s.net.Point(4)) + std::to_string(s.net.Point(4).x), "U0.000000");
    BuildEditorText(s.net, text);
    EXPECT_EQ(text.substr(text.find("<<\r\n", 4) + 4), stations);
    EXPECT_TRUE(s.b.ui().messages.empty());

    EXPECT_EQ(ApplyEditorText(s.net, s.b.ui(), "<<\r\n", dir.File("none/tmp.txt")), 0);
    EXPECT_EQ(s.net.hdr.pointCount, 4);  // unwritable scratch file: nothing changed
    EXPECT_EQ(ApplyEditorText(s.net, s.b.ui(), "A 10 1 2 3\r\n", scratch), 0);
    EXPECT_TRUE(s.net.hdr.pointCount == 0 && ReadAll(scratch) == "A 10 1 2 3\r\n");
    EXPECT_EQ(s.b.ui().Texts(), Strings{"更新修改失败, 数据存在 TMP.TXT中"});
}

constexpr double Inf = std::numeric_limits<double>::infinity();

// Runs the plane calculation and fails the test when it takes more than a second.
void CalculatesPromptly(Network& net, Messenger& ui) {
    const std::clock_t start = std::clock();
    net.hdr.heightMode = 0;
    Calculate(net, ui);
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 1.0);
}

TEST(NonFiniteValues, TextReaderRejectsObservationsAndKeepsCoordinatesMissing) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    ASSERT_EQ(ReadTextNetworkFromString(net, ui, "t <<\nA 10 inf 5 nan\nB 10 1 2 3\n<<\n"
                                                 "A B d3 inf\n B c -inf\n B c7 nan\n B a3 1e30\n B # inf\n"),
              2);
    EXPECT_TRUE(net.Point(1).x == 0.0 && net.Point(1).y == 5.0 && net.Point(1).h == 0.0);
    // Class 3 keeps a huge finite value as read; # drops its value; class 7 is not reported
    // again. A direction's 0 becomes -0 radians like any 0 read in d.mmss.
    EXPECT_EQ(Rows(net, 1), (Strings{Row("B", KindDistance, 7, 0), Row("B", KindDirection, 7, -0.0),
                                     Row("B", KindDirection, 7, -0.0), Row("B", KindAzimuth, 3, 1e30),
                                     Row("B", KindConnection, 0, 0)}));
    const std::string wrong = "观测值错误! 测站=1  目标=2\n";
    EXPECT_EQ(ui.Texts(), (Strings{"坐标值错误! 点=1\n", wrong, wrong}));
}

// Two known points and a class-3 direction of 1e300 between them: class 3 is not checked, and
// wrapping that direction used to take for ever.
TEST(NonFiniteValues, HugeUncheckedDirectionIsCalculatedPromptly) {
    TempDir dir;
    const std::string text = "x <<\nA 10 1 1 0\nB 10 2 2 0\n<<\nA B c3 1e300\n";
    WriteAll(dir.File("huge.txt"), text);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("huge.txt").c_str()), 2);
    CalculatesPromptly(net, ui);
}

// The binary file of two points and one direction (291 bytes) with the direction's value, a
// coordinate, a residual and the settings patched to infinity or NaN.
TEST(NonFiniteValues, BinaryFileValuesNeverReachTheCalculation) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 100, 200, 0, PointKnown);
    b.Point("B", 300, 400);
    b.Obs(1, 2, KindDirection, 0.5);
    RecordingMessenger ui;
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("two.db").c_str(), 0), 2);
    std::string bytes = ReadAll(dir.File("two.db"));
    ASSERT_EQ(bytes.size(), 291u);
    const size_t header = 1, points = 153, obs = points + 3 * 34;
    bytes = Patched(bytes, obs + 18 + 2, Inf);
    bytes = Patched(bytes, obs + 18 + 10, std::numeric_limits<float>::quiet_NaN());
    bytes = Patched(bytes, points + 2 * 34 + 6, -Inf);
    bytes = Patched(bytes, header + 50, std::numeric_limits<float>::infinity());
    bytes = Patched(bytes, header + 140, std::numeric_limits<float>::quiet_NaN());
    bytes = Patched(bytes, header + 144, Inf);
    WriteAll(dir.File("bad.db"), bytes);
    Network loaded;
    ASSERT_EQ(LoadDatabase(loaded, ui, dir.File("bad.db").c_str()), 2);
    EXPECT_EQ(ui.Texts(), (Strings{"坐标值错误! 点=2\n", "观测值错误! 测站=1  目标=2\n"}));
    EXPECT_EQ(Rows(loaded, 1), Strings{Row("B", KindDirection, 7, 0)});
    EXPECT_TRUE(loaded.Obs(1).residual == 0.0f && loaded.Point(2).x == 0.0 && loaded.Point(2).y == 400.0);
    EXPECT_TRUE(loaded.hdr.dirSigma == 0.0f && loaded.hdr.closureLimitFactor == 3.0f && loaded.hdr.refraction == 0.0);
    CalculatesPromptly(loaded, ui);

    // The same direction with a huge finite value is kept and wraps at once.
    WriteAll(dir.File("huge.db"), Patched(ReadAll(dir.File("two.db")), obs + 18 + 2, 1e300));
    ASSERT_EQ(LoadDatabase(loaded, ui, dir.File("huge.db").c_str()), 2);
    EXPECT_EQ(loaded.Obs(1).value, 1e300);
    CalculatesPromptly(loaded, ui);
}

TEST(NonFiniteValues, AdjustmentParametersOutOfRangeLeaveTheSettings) {
    NetHeader hdr{};
    SetAdjustmentParam(hdr, ParamDistanceFixed, 5.0, 0);
    const float kept = hdr.distSigmaConst;
    for (double bad : {Inf, -Inf, std::nan(""), 1e300}) {
        SetAdjustmentParam(hdr, ParamDistanceFixed, bad, 0);
        SetAdjustmentParam(hdr, ParamDirection, bad, 1);
        EXPECT_TRUE(hdr.distSigmaConst == kept && hdr.dirSigma4 == 0.0f) << bad;
    }
}

}  // namespace
}  // namespace quenvar
