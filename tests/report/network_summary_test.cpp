#include "report/network_summary.h"

#include <gtest/gtest.h>

#include "netdb/network.h"
#include "report/network_census.h"
#include "report/report_lines.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;

TEST(NetworkSummary, CountsKindsAndClassesIntoSixColumnRows) {
    Network net;
    NetworkBuilder b(net);
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
    for (int cls : {ClassKept, ClassVerbatim, ClassSigma, ClassPlanned, ClassRejected})
        b.Obs(p1, p3, KindDistance, 50.0, cls);

    ReportBuffers buffers;
    buffers.reportLines = {"left over"};
    NetworkCensus census;
    EXPECT_EQ(CountNetworkElements(net, census, buffers), 2);  // the class-4 azimuths
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    EXPECT_EQ(text,
              "属性  方向  方位  平距  直高  间高  XY点   H点\n"
              "\n待定     2     0     0     0     1     1     2"
              "\n固定     0     0     1     0     0     1     1"
              "\n特类     0     2     0     3     0     1     1");
    EXPECT_TRUE(buffers.reportLines.empty());

    net.hdr.heightMode = 1;  // the class-4 levelled differences count instead
    testing::RecordingMessenger ui;
    EXPECT_EQ(ShowNetworkSummary(net, ui, buffers), 1);
    EXPECT_EQ(buffers.specialObservationCount, 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, "平差结果");
}

TEST(NetworkSummary, EmptyOrAbsentNetworkGivesZeros) {
    Network net;
    net.hdr.pointCount = 5;  // counts without arrays are not trusted
    net.hdr.obsCount = 5;
    ReportBuffers buffers;
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    const std::string zeros = "     0     0     0     0     0     0     0";
    EXPECT_EQ(text, "属性  方向  方位  平距  直高  间高  XY点   H点\n\n待定" + zeros + "\n固定" +
                        zeros + "\n特类" + zeros);
}

TEST(ApplyAdjustmentDefaults, FillsOnlyUnsetErrors) {
    Network net;
    ApplyAdjustmentDefaults(net);
    const NetHeader& h = net.hdr;
    EXPECT_EQ(h.distSigmaConst, 0.01f);
    EXPECT_EQ(h.distSigmaPpm, 0.000005f);
    EXPECT_EQ(h.distSigmaConst4, 0.02f);
    EXPECT_EQ(h.distSigmaPpm4, 0.0f);
    EXPECT_EQ(h.dirSigma, 9.697e-5f);
    EXPECT_EQ(h.dirSigma4, 2 * 9.697e-5f);
    EXPECT_EQ(h.levelSigma4, 0.02f);
    EXPECT_EQ(h.trigHeightSigma4, 0.06f);

    Network set;
    NetHeader& s = set.hdr;
    s.distSigmaConst = 0.005f;  // fixed part set, scale part 0: both stay
    s.distSigmaPpm4 = 3.0f;     // scale part set, fixed part 0: both stay
    s.dirSigma = 1e-5f;
    s.levelSigma = 0.002f;
    s.trigHeightSigma = -0.01f;  // negative counts as unset
    ApplyAdjustmentDefaults(set);
    EXPECT_EQ(s.distSigmaConst, 0.005f);
    EXPECT_EQ(s.distSigmaPpm, 0.0f);
    EXPECT_EQ(s.distSigmaConst4, 0.0f);
    EXPECT_EQ(s.dirSigma4, 2e-5f);
    EXPECT_EQ(s.levelSigma4, 0.004f);
    EXPECT_EQ(s.trigHeightSigma, 0.03f);
}

}  // namespace
}  // namespace quenvar
