#include "report/network_summary.h"

#include <gtest/gtest.h>

#include "netdb/network.h"
#include "report/network_census.h"
#include "report/report_lines.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::RecordingMessenger;

// Points of every class and observations of counted and uncounted kinds and classes.
void BuildMixedNetwork(Network& net) {
    NetworkBuilder b(net);
    const int p1 = b.Point("P1", 100, 100, 10, PointKnown, PointUnknown);
    const int p2 = b.Point("P2", 200, 100, 11, PointUnknown, PointKnown);
    const int p3 = b.Point("P3", 200, 200, 12, PointSpecial, PointSpecial);
    b.Point("P4", 300, 200, 13, PointExcluded, PointUnknown);  // counted only as H point
    b.Point("P5", 300, 300, 14, 3, PointExcluded);             // counted nowhere
    b.Obs(p1, p2, KindDirection, 0.0);
    b.Obs(p1, p3, KindDirection, 1.0);
    b.Obs(p1, p2, KindAzimuth, 1.0, ClassSpecial);
    b.Obs(p2, p1, KindAzimuth, 4.0, ClassSpecial);
    b.Obs(p1, p2, KindDistance, 100.0, ClassFixed);
    for (int i = 0; i < 3; ++i) b.Obs(p2, p3, KindLevelled, 1.0, ClassSpecial);
    b.Obs(p3, p1, KindTrigHeight, -2.0);
    // Not counted: other kinds, other classes.
    b.Obs(p1, p3, KindZenith, 1.5);
    b.Obs(p1, p3, KindConnection, 0.0);
    b.Obs(p1, p3, KindAngle, 0.5);
    b.Obs(p1, p3, KindSlope, 100.0);
    b.Obs(p1, p3, KindDirection, 0.5, ClassKept);
    b.Obs(p1, p3, KindDistance, 50.0, ClassRejected);
    b.Obs(p1, p3, KindLevelled, 1.0, ClassPlanned);
}

TEST(CountNetworkElements, CountsKindsClassesAndPointClasses) {
    Network net;
    BuildMixedNetwork(net);
    ReportBuffers buffers;
    NetworkCensus census;
    census.fill(99);
    EXPECT_EQ(CountNetworkElements(net, census, buffers), 2);  // the two class-4 azimuths
    EXPECT_EQ(buffers.specialObservationCount, 2);
    const NetworkCensus expected = {2, 0, 0,   // 方向
                                    0, 0, 2,   // 方位
                                    0, 1, 0,   // 平距
                                    0, 0, 3,   // 直高
                                    1, 0, 0,   // 间高
                                    1, 1, 1,   // XY points by class 0, 1, 2
                                    2, 1, 1};  // H points
    EXPECT_EQ(census, expected);

    net.hdr.heightMode = 1;
    EXPECT_EQ(CountNetworkElements(net, census, buffers), 3);  // the levelled ones only
    EXPECT_EQ(buffers.specialObservationCount, 3);
}

TEST(CountNetworkElements, CountsBeyondTheArraysAreIgnored) {
    Network net;
    BuildMixedNetwork(net);
    net.hdr.pointCount = 32767;
    net.hdr.obsCount = 65535;
    ReportBuffers buffers;
    NetworkCensus census;
    CountNetworkElements(net, census, buffers);
    // The counting stops at the end of the arrays; the zero-filled records behind the network
    // read as class-0 directions and class-0 points. 12287 observation records less the 14
    // built ones that are not class-0 directions; 3071 point records less P1, P3, P4, P5.
    EXPECT_EQ(census[0], 12287 - 14);
    EXPECT_EQ(census[CensusPlanePoints], 3071 - 4);

    Network absent;  // no arrays at all
    absent.hdr.pointCount = 5;
    absent.hdr.obsCount = 5;
    CountNetworkElements(absent, census, buffers);
    EXPECT_EQ(census, NetworkCensus{});
}

TEST(BuildNetworkSummary, RowsOfSevenCountsInSixColumns) {
    Network net;
    BuildMixedNetwork(net);
    ReportBuffers buffers;
    buffers.reportLines = {"left over"};
    std::string text = "replaced";
    BuildNetworkSummary(net, buffers, text);
    EXPECT_EQ(text,
              "属性  方向  方位  平距  直高  间高  XY点   H点\n"
              "\n待定     2     0     0     0     1     1     2"
              "\n固定     0     0     1     0     0     1     1"
              "\n特类     0     2     0     3     0     1     1");
    EXPECT_TRUE(buffers.reportLines.empty());
}

TEST(BuildNetworkSummary, EmptyNetworkGivesZeros) {
    Network net;
    NetworkBuilder b(net);
    ReportBuffers buffers;
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    const std::string zeros = "     0     0     0     0     0     0     0";
    EXPECT_EQ(text, "属性  方向  方位  平距  直高  间高  XY点   H点\n\n待定" + zeros + "\n固定" +
                        zeros + "\n特类" + zeros);
}

TEST(ShowNetworkSummary, ShowsTheSummaryInTheResultBox) {
    Network net;
    BuildMixedNetwork(net);
    ReportBuffers buffers;
    RecordingMessenger ui;
    EXPECT_EQ(ShowNetworkSummary(net, ui, buffers), 1);
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, "平差结果");
    EXPECT_EQ(ui.messages[0].kind, 1);
}

TEST(ApplyAdjustmentDefaults, FillsEveryUnsetError) {
    Network net;
    ApplyAdjustmentDefaults(net);
    const NetHeader& h = net.hdr;
    EXPECT_EQ(h.distSigmaConst, 0.01f);
    EXPECT_EQ(h.distSigmaPpm, 0.000005f);
    EXPECT_EQ(h.distSigmaConst4, 0.02f);
    EXPECT_EQ(h.distSigmaPpm4, 0.0f);
    EXPECT_EQ(h.dirSigma, 9.697e-5f);
    EXPECT_EQ(h.dirSigma4, 2 * 9.697e-5f);
    EXPECT_EQ(h.levelSigma, 0.01f);
    EXPECT_EQ(h.levelSigma4, 0.02f);
    EXPECT_EQ(h.trigHeightSigma, 0.03f);
    EXPECT_EQ(h.trigHeightSigma4, 0.06f);

    // A second pass finds nothing unset.
    const NetHeader once = net.hdr;
    ApplyAdjustmentDefaults(net);
    EXPECT_EQ(std::memcmp(&once, &net.hdr, sizeof once), 0);
}

TEST(ApplyAdjustmentDefaults, KeepsSetErrorsAndDerivesClassFourFromThem) {
    Network net;
    NetHeader& h = net.hdr;
    h.distSigmaConst = 0.005f;  // fixed part set, scale part 0: both stay
    h.distSigmaPpm4 = 3.0f;     // scale part set, fixed part 0: both stay
    h.dirSigma = 1e-5f;
    h.levelSigma = 0.002f;
    h.trigHeightSigma = -0.01f;  // negative counts as unset
    h.levelSigma4 = 0.00005f;    // below the threshold
    ApplyAdjustmentDefaults(net);
    EXPECT_EQ(h.distSigmaConst, 0.005f);
    EXPECT_EQ(h.distSigmaPpm, 0.0f);
    EXPECT_EQ(h.distSigmaConst4, 0.0f);
    EXPECT_EQ(h.distSigmaPpm4, 3.0f);
    EXPECT_EQ(h.dirSigma, 1e-5f);
    EXPECT_EQ(h.dirSigma4, 2e-5f);
    EXPECT_EQ(h.levelSigma, 0.002f);
    EXPECT_EQ(h.levelSigma4, 0.004f);
    EXPECT_EQ(h.trigHeightSigma, 0.03f);
    EXPECT_EQ(h.trigHeightSigma4, 0.06f);

    Network scaleOnly;
    scaleOnly.hdr.distSigmaPpm = 2.0f;
    ApplyAdjustmentDefaults(scaleOnly);
    EXPECT_EQ(scaleOnly.hdr.distSigmaConst, 0.0f);
    EXPECT_EQ(scaleOnly.hdr.distSigmaPpm, 2.0f);
}

TEST(ApplyAdjustmentDefaults, WithBuffersRefreshesTheSpecialCount) {
    Network net;
    BuildMixedNetwork(net);
    ReportBuffers buffers;
    buffers.specialObservationCount = 77;
    ApplyAdjustmentDefaults(net, buffers);
    EXPECT_EQ(buffers.specialObservationCount, 2);
    EXPECT_EQ(net.hdr.dirSigma, 9.697e-5f);
}

}  // namespace
}  // namespace quenvar
