#include "report/precision_report.h"

#include <gtest/gtest.h>

#include <cmath>

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


}  // namespace
}  // namespace quenvar
