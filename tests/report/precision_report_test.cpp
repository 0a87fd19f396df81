// The precision results: the box of a-priori errors scaled by the result and the maxima, and
// the point and point-pair error tables with their headings, titles, ratio rules and the
// refusal without precision results; the network summary, the default a-priori errors and the
// report file.
#include "report/precision_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <tuple>

#include "quenvar.h"
#include "report/error_statistics.h"
#include "report/network_census.h"
#include "report/network_summary.h"
#include "report/report_file.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

TEST(PrecisionReport, PlaneGroupsWithAndWithoutSpecialClassAndTheMaxima) {
    Network net;
    testing::NetworkBuilder b(net);
    b.Obs(b.Point("A", 1000, 1000, 0, PointKnown), b.Point("C", 1100, 1000), KindDistance, 100.0);
    // Binary fractions keep the scale ratio exactly 2: 2^-15 rad = 6.2947" is d.mmss 0.000629.
    NetHeader& h = net.hdr;
    h.dirSigma = 1.0f / 65536;
    h.planeSigma0 = h.dirSigma4 = 1.0f / 32768;  // class 4 scaled: 12.5894", d.mmss 0.001259
    h.distSigmaConst = 0.005f, h.distSigmaPpm = 2.5f, h.distSigmaConst4 = 0.0125f;
    net.ellipses.assign(size_t(h.ellipseCount = 2) + 1, EllipseRec{});
    net.ellipses[0] = EllipseRec{0, 0, 0.0125f, 0.03125f, 1.23e-5f};  // 1/1.23e-5 = 81300.8
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    const std::string maxima = "\n\n最大点位误差= 0.012500米\n最大点间误差= 0.031250米";
    EXPECT_EQ(text, "平面网平差后精度如下:\n\n固定误差(米):      0.0100      \n比例误差(ppm):         5.0      "
                    "\nm(d.mmss):      0.000629      " + maxima + "\n最大边长比例误差= 1/81300   ");

    EXPECT_EQ(std::pair(RoundDownToMultiple(300.0, 100.0), RoundDownToMultiple(99.9, 100.0)), std::pair(300.0, 0.0));

    SetObsClass(net.Obs(1), ClassSpecial);
    net.ellipses[0].c = 1e-6f;  // no side ratio line at or below 1e-6
    testing::RecordingMessenger ui;
    EXPECT_EQ(ShowPrecisionReport(net, ui, buffers), 1);
    const std::string groups = "平面网平差后精度如下:\n\n固定误差(米):      0.0100      0.0250"
                               "\n比例误差(ppm):         5.0         0.0\nm(d.mmss):      0.000629      0.001259";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(std::pair(ui.messages[0].caption, ui.messages[0].text), std::pair(std::string("平差结果"), groups + maxima));
    EXPECT_EQ(+h.levelSigma, 0.01f);  // the defaults are stored

    // A network just loaded holds a zeroed record 0 but no precision records yet.
    h.ellipseCount = 0;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, groups);
}

TEST(PrecisionReport, HeightNetwork) {
    Network net;
    testing::NetworkBuilder b(net);
    b.Obs(b.Point("A", 0, 0, 10.0, 0, PointKnown), b.Point("C", 0, 0, 12.0), KindLevelled, 2.0, ClassSpecial);
    NetHeader& h = net.hdr;
    h.heightMode = h.ellipseCount = 1;
    h.levelSigma = 0.25f, h.heightSigma0 = 0.5f;  // ratio 2
    h.levelSigma4 = 0.125f, h.trigHeightSigma = 0.0625f;
    net.ellipses[0] = EllipseRec{0, 0, 0.5f, 1.25f, 0.5f};  // no side ratio line in height
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, "高程网平差后精度如下:\n\nfixed(M):      0.5000      0.1250\nrelat(M):      0.2500      0.2500"
                    "\n\n最大点位误差= 0.500000米\n最大点间误差= 1.250000米");
}


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

TEST(NetworkSummary, CountsKindsAndClassesIntoSixColumnRows) {
    Network net;
    testing::NetworkBuilder b(net);
    const int p1 = b.Point("P1", 1, 1, 10, PointKnown, PointUnknown);
    const int p2 = b.Point("P2", 2, 1, 11, PointUnknown, PointKnown);
    const int p3 = b.Point("P3", 2, 2, 12, PointSpecial, PointSpecial);
    b.Point("P4", 3, 2, 13, PointExcluded, PointUnknown);  // an H point only
    b.Point("P5", 3, 3, 14, 3, PointExcluded);             // counted nowhere
    b.Obs(p1, p2, KindDirection, 0.0);
    b.Obs(p1, p3, KindDirection, 1.0);
    b.Obs(p1, p2, KindAzimuth, 1.0, ClassSpecial);
    b.Obs(p2, p1, KindAzimuth, 4.0, ClassSpecial);
    b.Obs(p1, p2, KindDistance, 100.0, ClassFixed);
    for (int i = 0; i < 3; ++i) b.Obs(p2, p3, KindLevelled, 1.0, ClassSpecial);
    b.Obs(p3, p1, KindTrigHeight, -2.0);
    for (int kind : {KindZenith, KindSlope, KindConnection, KindAngle}) b.Obs(p1, p3, kind, 1.0);
    for (int cls : {ClassKept, ClassVerbatim, ClassSigma, ClassRejected}) b.Obs(p1, p3, KindDistance, 5.0, cls);

    ReportBuffers buffers;
    buffers.reportLines = {"left over"};
    NetworkCensus census;
    EXPECT_EQ(CountNetworkElements(net, census, buffers), 2);  // the class-4 azimuths
    net.hdr.heightMode = 1;
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    EXPECT_EQ(buffers.specialObservationCount, 3);  // the class-4 levelled differences
    EXPECT_EQ(text,
              "属性  方向  方位  平距  直高  间高  XY点   H点\n"
              "\n待定     2     0     0     0     1     1     2"
              "\n固定     0     0     1     0     0     1     1"
              "\n特类     0     2     0     3     0     1     1");
    EXPECT_TRUE(buffers.reportLines.empty());
}

TEST(ApplyAdjustmentDefaults, FillsOnlyUnsetErrors) {
    Network net;
    ReportBuffers buffers;
    NetHeader& h = net.hdr;
    ApplyAdjustmentDefaults(net, buffers);
    EXPECT_EQ(std::tuple(+h.distSigmaConst, +h.distSigmaPpm, +h.distSigmaConst4, +h.distSigmaPpm4),
              std::tuple(0.01f, 0.000005f, 0.02f, 0.0f));  // the class-4 scale part is left
    EXPECT_EQ(std::tuple(+h.dirSigma, +h.dirSigma4, +h.levelSigma, +h.levelSigma4, +h.trigHeightSigma, +h.trigHeightSigma4),
              std::tuple(9.697e-5f, 2 * 9.697e-5f, 0.01f, 0.02f, 0.03f, 0.06f));

    h = NetHeader{};
    h.distSigmaConst = 0.005f;  // fixed part set, scale part 0: both stay
    h.distSigmaPpm4 = 0.02f;    // scale part set, fixed part 0: both stay
    h.dirSigma = 1e-6f;         // as a 4-byte float just below 1e-6 rad: unset
    h.levelSigma = 0.002f;
    h.trigHeightSigma = -0.01f;  // negative counts as unset
    ApplyAdjustmentDefaults(net, buffers);
    EXPECT_EQ(std::tuple(+h.distSigmaConst, +h.distSigmaPpm, +h.distSigmaConst4, +h.distSigmaPpm4),
              std::tuple(0.005f, 0.0f, 0.0f, 0.02f));
    EXPECT_EQ(std::tuple(+h.dirSigma, +h.levelSigma4, +h.trigHeightSigma), std::tuple(9.697e-5f, 0.004f, 0.03f));
}

// A heading before every entry and the details where the callback fills them; empty reports
// and unopenable paths give 0 and no file.
TEST(WriteReportFile, EntriesWithDetailsAndNothingForEmptyReportsOrBadPaths) {
    testing::TempDir dir;
    ReportBuffers b;
    const std::string path = dir.File("entries.txt"), empty = dir.File("empty.txt"), bad = dir.File("none/report.txt");
    EXPECT_EQ(WriteReportFile(b, empty.c_str(), "T", "H", nullptr, nullptr), 0);
    b.reportLines = {"A", "B", "C"};
    EXPECT_EQ(WriteReportFile(b, bad.c_str(), "T", "H", nullptr, nullptr), 0);
    EXPECT_EQ(zrReportOnNetwork(bad.c_str()), 0);
    EXPECT_EQ(zrReportOnAdjusetment(bad.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(empty) || std::filesystem::exists(bad));
    auto detail = [&b](int16_t i) -> int16_t {  // entry 1 declines, entry 0's lines still there
        if (i != 1) b.detailLines = i == 0 ? LineList{"d1", "d2"} : LineList{};
        return i != 1;
    };
    ASSERT_EQ(WriteReportFile(b, path.c_str(), "闭合差统计表", "No", nullptr, detail), 1);
    EXPECT_EQ(testing::ReadAll(path), "\n====闭合差统计表====\n\nNo\nA\n\nd1\nd2\n\nNo\nB\n\nNo\nC\n\n");
}

}  // namespace
}  // namespace quenvar
