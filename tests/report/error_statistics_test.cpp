// Point and point-pair error tables: their lines, headings and titles, the ratio rules and the
// refusal without precision results.
#include "report/error_statistics.h"

#include <gtest/gtest.h>

#include "report/report_file.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::Strings;

struct Tables {
    Network net;
    testing::NetworkBuilder b{net};
    ReportBuffers buffers;
    std::string title, heading;

    explicit Tables(int heightMode) {
        net.hdr.heightMode = uint16_t(heightMode);
        net.hdr.optionFlags |= OptionAdjusted;
    }
    void Records(std::initializer_list<EllipseRec> records) {
        net.ellipses.assign(records);
        net.hdr.ellipseCount = uint16_t(records.size() - 1);
    }
    Strings Build(ErrorTable table) {
        EXPECT_EQ(BuildErrorStatistics(net, b.ui(), buffers, table, title, heading), 1);
        return buffers.reportLines;
    }
};

constexpr uint16_t PointRecord = EllipsePointRecord;
constexpr uint16_t PairRecord = EllipsePairRecord;

TEST(ErrorStatistics, PlanePointsWithTheirEllipseAndPointError) {
    Tables t(0);
    const int a = t.b.Point("A", 0, 0), bb = t.b.Point("LONG5", 1000, 0);
    // G = 123 deg 45 min is d.mmss 123.45, printed to whole minutes.
    const float g = float((123.0 + 45.0 / 60.0) * 0.017453292519943295);
    t.Records({{0, 0, 9.0f, 9.0f, 9.0f},
               {uint16_t(a), PointRecord, 0.003f, 0.004f, g},
               {uint16_t(a), uint16_t(PairRecord | bb), 0.001f, 0.002f, 0.0f},
               {uint16_t(bb), PointRecord, 0.0125f, 0.0f, 0.0f}});
    EXPECT_EQ(t.Build(ErrorTable::Points), (Strings{"A     0.0030 0.0040  123.45  0.0050",
                                                   "LONG5 0.0125 0.0000    0.00  0.0125"}));
    EXPECT_EQ(t.heading, " 点名 --E--- --F--- --G--- ---M---");
    EXPECT_EQ(t.title, " 平面点位 误差统计表");
}

TEST(ErrorStatistics, PlanePairsAndTheirRatios) {
    Tables t(0);
    const int a = t.b.Point("A", 1000, 1000), bb = t.b.Point("B", 2000, 1000), c = t.b.Point("C", 1000, 1000);
    auto pair = [](int p, int q, float md, float mt) { return EllipseRec{uint16_t(p), uint16_t(PairRecord | q), md, mt, 0}; };
    t.Records({{0, 0, 0, 0, 0},
               {uint16_t(a), PointRecord, 0.003f, 0.004f, 0.0f},
               pair(a, bb, 0.0f, 0.001f),     // no longitudinal error: 999990
               pair(bb, a, 0.0005f, 0.002f),  // 2,000,000 is above 999991: 999999
               pair(a, bb, 0.01f, 0.003f),    // 1000 / 0.01
               pair(a, c, 0.01f, 0.003f),     // coincident points give no line
               {uint16_t(a), uint16_t(0x3000 | bb), 0.02f, 0.0f, 0}});  // any type but 1 is a pair
    EXPECT_EQ(t.Build(ErrorTable::Pairs), (Strings{"A       B     0.0010 0.0000 999990   1000",
                                                  "B       A     0.0020 0.0005 999999   1000",
                                                  "A       B     0.0030 0.0100 100000   1000",
                                                  "A       B     0.0000 0.0200  50000   1000"}));
    EXPECT_EQ(t.heading, "  P1     P2   --Mt-- --Md-- -d/Md- --d--");
    EXPECT_EQ(t.title, " 平面点间 误差统计表");
}

TEST(ErrorStatistics, HeightTablesAndTheirFile) {
    Tables t(1);
    const int a = t.b.Point("BM1", 0, 0, 10.0), bb = t.b.Point("P2", 0, 0, 12.0);
    t.Records({{0, 0, 0, 0, 0},
               {uint16_t(a), PointRecord, 0.0021f, 0, 0},
               {uint16_t(a), uint16_t(PairRecord | bb), 0.0034f, 0, 0},  // coincident in plan: kept
               {uint16_t(bb), PointRecord, 0.0009f, 0, 0}});
    EXPECT_EQ(t.Build(ErrorTable::Pairs), (Strings{"BM1     P2    0.0034"}));
    EXPECT_EQ(std::pair(t.title, t.heading), std::pair(std::string(" 高程点间 误差统计表"), std::string("  P1     P2   --Mh--")));

    testing::TempDir dir;
    EXPECT_EQ(WriteErrorStatistics(t.net, t.b.ui(), t.buffers, ErrorTable::Points, dir.File("points.txt").c_str()), 1);
    EXPECT_EQ(testing::ReadAll(dir.File("points.txt")),
              "\n==== 高程点位 误差统计表====\n\n 点名 --MH--\nBM1   0.0021\n\n 点名 --MH--\nP2    0.0009\n");
}

TEST(ErrorStatistics, RefusedWithoutResultsAndEmptyWithoutRecords) {
    Tables t(0);
    t.b.Point("A", 0, 0);
    t.net.hdr.optionFlags &= uint16_t(~OptionResultBits);
    testing::TempDir dir;
    const std::string path = dir.File("pairs.txt");
    EXPECT_EQ(WriteErrorStatistics(t.net, t.b.ui(), t.buffers, ErrorTable::Pairs, path.c_str()), 0);
    EXPECT_EQ(t.b.ui().Texts(), (Strings{"控制网平差未完成, 不能进行精度查询!"}));

    // Bit 7 alone counts as results present; a table without lines writes no file.
    t.net.hdr.optionFlags |= 0x80;
    t.Records({{0, 0, 0, 0, 0}});
    EXPECT_EQ(WriteErrorStatistics(t.net, t.b.ui(), t.buffers, ErrorTable::Pairs, path.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(t.b.ui().messages.size(), 1u);
}

}  // namespace
}  // namespace quenvar
