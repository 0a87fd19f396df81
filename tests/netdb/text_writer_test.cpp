#include "netdb/text_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "geom/angles.h"
#include "netdb/editor_text.h"
#include "netdb/text_reader.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

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

}  // namespace
}  // namespace quenvar
