#include "report/precision_report.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netdb/network.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;

// A plane network after an adjustment. Binary fractions keep the scale ratio exactly 2:
// a-priori 2^-16 rad, a-posteriori 2^-15 rad = 6.2947" (d.mmss 0.000629).
void BuildPlaneResult(Network& net, int distanceClass) {
    NetworkBuilder b(net);
    const int a = b.Point("A", 1000, 1000, 0, PointKnown);
    b.Obs(a, b.Point("C", 1100, 1000), KindDistance, 100.0, distanceClass);
    NetHeader& h = net.hdr;
    h.dirSigma = 1.0f / 65536;
    h.planeSigma0 = 1.0f / 32768;
    h.distSigmaConst = 0.005f;
    h.distSigmaPpm = 2.5f;
    h.distSigmaConst4 = 0.0125f;
    h.dirSigma4 = 1.0f / 32768;  // scaled: 2^-14 rad = 12.5894", d.mmss 0.001259
    net.ellipses.assign(3, EllipseRec{});
    net.ellipses[0] = EllipseRec{0, 0, 0.0125f, 0.03125f, 1.23e-5f};  // 1/1.23e-5 = 81300.8
}

const std::string PlaneMaxima =
    "\n\n最大点位误差= 0.012500米\n最大点间误差= 0.031250米\n最大边长比例误差= 1/81300   ";

TEST(BuildPrecisionReport, PlaneGroupsWithAndWithoutSpecialClass) {
    Network net;
    BuildPlaneResult(net, ClassOrdinary);
    ReportBuffers buffers;
    buffers.reportLines = {"left over"};
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, "平面网平差后精度如下:\n"
                    "\n固定误差(米):      0.0100      "
                    "\n比例误差(ppm):         5.0      "
                    "\nm(d.mmss):      0.000629      " + PlaneMaxima);
    EXPECT_TRUE(buffers.reportLines.empty());

    SetObsClass(net.Obs(1), ClassSpecial);
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, "平面网平差后精度如下:\n"
                    "\n固定误差(米):      0.0100      0.0250"
                    "\n比例误差(ppm):         5.0         0.0"
                    "\nm(d.mmss):      0.000629      0.001259" + PlaneMaxima);
}

TEST(BuildPrecisionReport, MaximaLinesDependOnRecordsAndSideRatio) {
    Network net;
    BuildPlaneResult(net, ClassOrdinary);
    ReportBuffers buffers;
    std::string text;
    net.ellipses[0].c = 1e-6f;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text.find("最大边长"), std::string::npos);
    EXPECT_NE(text.find("\n最大点间误差= 0.031250米"), std::string::npos);

    net.ellipses.clear();
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text.find("最大"), std::string::npos);
    EXPECT_EQ(text.back(), ' ');  // the last group line ends in the pad
}

TEST(BuildPrecisionReport, HeightNetworkKeepsPlaneFieldsFiveAndSix) {
    Network net;
    NetworkBuilder b(net);
    const int a = b.Point("A", 0, 0, 10.0, 0, PointKnown);
    const int c = b.Point("C", 0, 0, 12.0);
    b.Obs(a, c, KindLevelled, 2.0, ClassSpecial);
    b.Obs(a, c, KindDistance, 5.0, ClassSpecial);  // a plane kind does not count here
    NetHeader& h = net.hdr;
    h.heightMode = 1;
    h.levelSigma = 0.25f;
    h.heightSigma0 = 0.5f;  // ratio 2
    h.levelSigma4 = 0.125f;
    h.trigHeightSigma = 0.0625f;
    h.trigHeightSigma4 = 0.25f;
    net.ellipses[0] = EllipseRec{0, 0, 0.5f, 1.25f, 0.5f};  // no side ratio line in height
    ReportBuffers buffers;
    buffers.precisionFields[4] = "plane 5";
    buffers.precisionFields[5] = "plane 6";
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, "高程网平差后精度如下:\n"
                    "\nfixed(M):      0.5000      0.1250"
                    "\nrelat(M):      0.2500      0.5000"
                    "\n\n最大点位误差= 0.500000米\n最大点间误差= 1.250000米");
    EXPECT_EQ(buffers.precisionFields[4], "plane 5");
    EXPECT_EQ(buffers.precisionFields[5], "plane 6");
}

TEST(RoundDownToMultiple, TruncatesTowardZero) {
    EXPECT_EQ(RoundDownToMultiple(81300.8, 100.0), 81300.0);
    EXPECT_EQ(RoundDownToMultiple(300.0, 100.0), 300.0);
    EXPECT_EQ(RoundDownToMultiple(99.9, 100.0), 0.0);
    EXPECT_EQ(RoundDownToMultiple(-250.0, 100.0), -200.0);
    EXPECT_EQ(RoundDownToMultiple(1e12, 1.0), 2147483647.0);
}

TEST(ShowPrecisionReport, ShowsTheTextWithoutChangingTheNetwork) {
    Network net;
    BuildPlaneResult(net, ClassSpecial);
    const NetHeader before = net.hdr;  // levelSigma and others still unset
    ReportBuffers buffers;
    testing::RecordingMessenger ui;
    EXPECT_EQ(ShowPrecisionReport(net, ui, buffers), 1);
    EXPECT_EQ(std::memcmp(&before, &net.hdr, sizeof before), 0);
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, "平差结果");
    EXPECT_EQ(ui.messages[0].kind, 1);
}

}  // namespace
}  // namespace quenvar
