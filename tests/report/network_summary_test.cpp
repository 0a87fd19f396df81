#include "report/network_summary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "quenvar.h"

#include "report/network_census.h"
#include "report/report_file.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

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
    ReportBuffers b;
    const std::string path = ::testing::TempDir() + "entries.txt", empty = ::testing::TempDir() + "empty.txt";
    const std::string bad = ::testing::TempDir() + "no-such-dir/report.txt";
    std::filesystem::remove(empty);
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
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\n====闭合差统计表====\n\nNo\nA\n\nd1\nd2\n\nNo\nB\n\nNo\nC\n\n");
}

}  // namespace
}  // namespace quenvar
