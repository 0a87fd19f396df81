#include "netdb/text_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geom/angles.h"
#include "netdb/text_reader.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::ReadAll;
using testing::Row;
using testing::Rows;

TEST(TextWriter, EmptyNetworkAndLinesThatPadNamesAndAlignValues) {
    testing::TempDir dir;
    Network net;
    testing::NetworkBuilder b(net);
    ASSERT_EQ(WriteTextNetwork(net, dir.File("e.txt"), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("e.txt")), "<<\n\n<<\n\n");
    EXPECT_EQ(WriteTextNetwork(net, dir.File("missing/x.txt"), 0), 0);
    b.Point("A", 100, 200, 50.5, 1, 0);
    b.Point("B", 0, 0);
    b.Point("GONE", 1, 1, 1, 7, 7);
    b.Point("K", 1, 1, 1, 7, 1);
    b.Obs(1, 2, KindDirection, 0.7941248096574199, 1);
    b.Obs(1, 3, KindDirection, 1.0, ClassRejected);
    b.Obs(1, 2, KindDistance, 1234.567);
    b.Obs(2, 1, KindDistance, -1.0, ClassRejected);
    b.Obs(4, 0, KindLevelled, 2.0);  // no target: default kind c, class 0, blank name
    ASSERT_EQ(WriteTextNetwork(net, dir.File("n.txt"), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("n.txt")),
              "<<\nA     10 100.000000 200.000000 50.500000\nB     00 0.000000 0.000000 0.000000\n"
              "K     71 1.000000 1.000000 1.000000\n\n<<\n\n"
              "A     B      c1    45.300000\n      B      d0  1234.567000\n\n"
              "\n"
              "K            c0   114.352961\n\n");  // 2 rad = 114d35'29.61"
}

TEST(TextWriter, ReadingBackKeepsWhatTheFormatHolds) {
    testing::TempDir dir;
    Network net;
    testing::NetworkBuilder b(net);
    b.Point("A", 1000.125, 2000.5, 10.75, 1, 1);
    b.Point("B", 1, 2, 3, 0, 2);
    b.Point("C", 4, 5, 6, 3, 5);  // classes 3 to 6 read back as 0
    b.Point("D", 7, 8, 9, 7, 0);
    std::vector<std::string> expected;
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
    testing::RecordingMessenger ui;
    AllocateDatabase(back, ui, true);
    ASSERT_EQ(ReadTextNetwork(back, ui, dir.File("r.txt")), 2);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(back.hdr.pointCount, 4);
    const int classes[] = {11, 2, 0, 70};
    for (int i = 1; i <= 4; ++i) {
        const PointRec p = back.Point(i), q = net.Point(i);
        EXPECT_EQ(PointName(p), PointName(q));
        EXPECT_TRUE(p.x == q.x && p.y == q.y && p.h == q.h) << i;
        EXPECT_EQ(PlaneClass(p) * 10 + HeightClass(p), classes[i - 1]);
    }
    EXPECT_EQ(Rows(back, 1), expected);
}

}  // namespace
}  // namespace quenvar
