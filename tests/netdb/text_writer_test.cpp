#include "netdb/text_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "geom/angles.h"
#include "netdb/point_lookup.h"
#include "netdb/text_reader.h"
#include "tests/netdb/temp_files.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::ReadAll;
using testing::TempDir;

TEST(TextWriter, EmptyNetworkAndPointsOnly) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    ASSERT_EQ(WriteTextNetwork(net, dir.File("e.txt"), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("e.txt")), "<<\n\n<<\n\n");
    b.Point("A", 1, 2, 3, 1, 0);
    b.Obs(1, 1, KindInstrument, 1.5);
    ASSERT_EQ(WriteTextNetwork(net, dir.File("p.txt"), 1), 2);
    EXPECT_EQ(ReadAll(dir.File("p.txt")), "<<\nA     10 1.000000 2.000000 3.000000\n");
    EXPECT_EQ(WriteTextNetwork(net, dir.File("missing/x.txt"), 0), 0);
}

TEST(TextWriter, LinesPadNamesAndRightAlignValues) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
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
              "<<\n"
              "A     10 100.000000 200.000000 50.500000\n"
              "B     00 0.000000 0.000000 0.000000\n"
              "K     71 1.000000 1.000000 1.000000\n"
              "\n<<\n\n"
              "A     B      c1    45.300000\n"
              "      B      d0  1234.567000\n"
              "\n"
              "\n"
              "K            c0   114.352961\n"  // 2 rad = 114d35'29.61"
              "\n");
}

// Observations of one station as (target name, kind, class, value), in chain order.
using ObsRow = std::tuple<std::string, int, int, double>;
std::vector<ObsRow> Rows(const Network& net, const std::string& station) {
    std::vector<ObsRow> rows;
    for (int s = 1; s <= net.hdr.pointCount; ++s) {
        if (PointName(net.Point(s)) != station) continue;
        for (int o = net.Point(s).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            rows.emplace_back(PointName(net.Point(r.target)), KindOf(r), ObsClassOf(r), r.value);
        }
    }
    return rows;
}

TEST(TextWriter, ReadingBackKeepsWhatTheFormatHolds) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 1000.125, 2000.5, 10.75, 1, 1);
    b.Point("B", 1, 2, 3, 0, 2);
    b.Point("C", 4, 5, 6, 3, 5);  // classes 3-6 read back as 0
    b.Point("D", 7, 8, 9, 7, 0);
    std::vector<ObsRow> expected;
    auto add = [&](int target, int kind, double value, int cls, double readBack) {
        b.Obs(1, target, kind, value, cls);
        if (cls != ClassRejected) expected.emplace_back(PointName(net.Point(target)), kind, cls, readBack);
    };
    const int dmsKinds[] = {KindDirection, KindAzimuth, KindZenith, KindVertical, KindFurther2, KindFurther4};
    const double dms[] = {45.3, 123.4530, 91.1523, -1.2, 12.3456, 359.5959};
    for (int k = 0; k < 6; ++k) add(2 + k % 3, dmsKinds[k], DmsToRadians(dms[k]), k % 3, DmsToRadians(dms[k]));
    const int lengthKinds[] = {KindDistance, KindSlope, KindLevelled, KindTargetHeight, KindSetups,
                               KindLineLength, KindTrigHeight, KindFurther1, KindFurther3};
    for (int k = 0; k < 9; ++k) add(2 + k % 2, lengthKinds[k], 100.25 + k, k % 2 ? 4 : 5 + k % 3, 100.25 + k);
    add(1, KindInstrument, 1.625, ClassOrdinary, 1.625);
    add(3, KindConnection, 0.0, ClassOrdinary, 0.0);
    add(2, KindDirection, 0.5, ClassVerbatim, RadiansToDms(0.5));  // d.mmss read back unconverted
    add(3, KindDistance, 5.0, ClassRejected, 0.0);
    add(4, KindSlope, 6.0, ClassPlanned, 6.0);

    ASSERT_EQ(WriteTextNetwork(net, dir.File("r.txt"), 0), 2);
    Network back;
    testing::RecordingMessenger ui;
    AllocateDatabase(back, ui, true);
    ASSERT_EQ(ReadTextNetwork(back, ui, dir.File("r.txt")), 2);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(back.hdr.pointCount, 4);
    const int plane[] = {1, 0, 0, 7};
    const int height[] = {1, 2, 0, 0};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(PointName(back.Point(i)), PointName(net.Point(i)));
        EXPECT_NEAR(back.Point(i).x, net.Point(i).x, 1e-6);
        EXPECT_NEAR(back.Point(i).y, net.Point(i).y, 1e-6);
        EXPECT_NEAR(back.Point(i).h, net.Point(i).h, 1e-6);
        EXPECT_EQ(PlaneClass(back.Point(i)), plane[i - 1]);
        EXPECT_EQ(HeightClass(back.Point(i)), height[i - 1]);
    }
    const auto rows = Rows(back, "A");
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(std::get<0>(rows[k]), std::get<0>(expected[k])) << k;
        EXPECT_EQ(std::get<1>(rows[k]), std::get<1>(expected[k])) << k;
        EXPECT_EQ(std::get<2>(rows[k]), std::get<2>(expected[k])) << k;
        EXPECT_NEAR(std::get<3>(rows[k]), std::get<3>(expected[k]), 1e-6) << k;  // 6 decimals
    }
}

}  // namespace
}  // namespace quenvar
