#include "report/precision_report.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netdb/network.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::RecordingMessenger;

// Binary fractions keep the scale ratio exact: a-posteriori / a-priori = 2.
constexpr float DirPrior = 1.0f / 65536;      // 2^-16 rad
constexpr float DirPosterior = 1.0f / 32768;  // 2^-15 rad = 6.2947", d.mmss 0.000629

// A plane network after an adjustment, with class-4 distances when asked.
void BuildPlaneResult(Network& net, bool withSpecial) {
    NetworkBuilder b(net);
    const int a = b.Point("A", 1000, 1000, 0, PointKnown);
    const int c = b.Point("C", 1100, 1000);
    b.Obs(a, c, KindDistance, 100.0, withSpecial ? ClassSpecial : ClassOrdinary);
    NetHeader& h = net.hdr;
    h.dirSigma = DirPrior;
    h.planeSigma0 = DirPosterior;
    h.distSigmaConst = 0.005f;
    h.distSigmaPpm = 2.5f;
    h.distSigmaConst4 = 0.0125f;
    h.distSigmaPpm4 = 0.0f;
    h.dirSigma4 = DirPosterior;  // scaled: 2^-14 rad = 12.5894", d.mmss 0.001259
    h.ellipseCount = 2;
    net.ellipses.assign(3, EllipseRec{});
    net.ellipses[0].a = 0.0125f;
    net.ellipses[0].b = 0.03125f;
    net.ellipses[0].c = 1.23e-5f;  // 1 / 1.23e-5 = 81300.8
}

const char* PlaneMaxima =
    "\n"
    "\n最大点位误差= 0.012500米"
    "\n最大点间误差= 0.031250米"
    "\n最大边长比例误差= 1/81300   ";

TEST(BuildPrecisionReport, PlaneWithoutSpecialClassEndsGroupLinesInThePad) {
    Network net;
    BuildPlaneResult(net, false);
    ReportBuffers buffers;
    buffers.reportLines = {"left over"};
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, std::string("平面网平差后精度如下:\n"
                                "\n固定误差(米):      0.0100      "
                                "\n比例误差(ppm):         5.0      "
                                "\nm(d.mmss):      0.000629      ") +
                        PlaneMaxima);
    EXPECT_TRUE(buffers.reportLines.empty());
}

TEST(BuildPrecisionReport, PlaneWithSpecialClassAddsClassFourValues) {
    Network net;
    BuildPlaneResult(net, true);
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text, std::string("平面网平差后精度如下:\n"
                                "\n固定误差(米):      0.0100      0.0250"
                                "\n比例误差(ppm):         5.0         0.0"
                                "\nm(d.mmss):      0.000629      0.001259") +
                        PlaneMaxima);
}

TEST(BuildPrecisionReport, RelativeSideErrorLineOnlyAboveOnePpm) {
    Network net;
    BuildPlaneResult(net, false);
    ReportBuffers buffers;
    std::string text;
    net.ellipses[0].c = 1e-6f;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text.find("最大边长比例误差"), std::string::npos);
    EXPECT_NE(text.find("最大点间误差= 0.031250米"), std::string::npos);

    net.ellipses[0].c = 2.5e-6f;  // 1/N = 400000, written in full although wider than 8
    BuildPrecisionReport(net, buffers, text);
    EXPECT_NE(text.find("\n最大边长比例误差= 1/400000  "), std::string::npos);
}

TEST(BuildPrecisionReport, WithoutPrecisionRecordsOnlyTheGroupLines) {
    Network net;
    BuildPlaneResult(net, false);
    net.ellipses.clear();
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text,
              "平面网平差后精度如下:\n"
              "\n固定误差(米):      0.0100      "
              "\n比例误差(ppm):         5.0      "
              "\nm(d.mmss):      0.000629      ");
}

TEST(BuildPrecisionReport, UnsetPriorsTakeTheirDefaultsFirst) {
    Network net;
    NetworkBuilder b(net);
    net.hdr.planeSigma0 = 9.697e-5f;  // equal to the default direction error: ratio 1
    // A fresh database holds one zero-filled precision record: maxima of 0, no side ratio.
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text,
              "平面网平差后精度如下:\n"
              "\n固定误差(米):      0.0100      "
              "\n比例误差(ppm):         0.0      "
              "\nm(d.mmss):      0.002000      "  // 20.0015"
              "\n"
              "\n最大点位误差= 0.000000米"
              "\n最大点间误差= 0.000000米");
    EXPECT_EQ(net.hdr.dirSigma, 9.697e-5f);
    EXPECT_EQ(net.hdr.levelSigma, 0.01f);
}

TEST(BuildPrecisionReport, HeightNetwork) {
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
    net.ellipses.assign(2, EllipseRec{});
    net.ellipses[0].a = 0.5f;
    net.ellipses[0].b = 1.25f;
    net.ellipses[0].c = 0.5f;  // no side ratio line in a height network
    ReportBuffers buffers;
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text,
              "高程网平差后精度如下:\n"
              "\nfixed(M):      0.5000      0.1250"
              "\nrelat(M):      0.2500      0.5000"
              "\n"
              "\n最大点位误差= 0.500000米"
              "\n最大点间误差= 1.250000米");

    SetObsClass(net.Obs(1), ClassOrdinary);
    BuildPrecisionReport(net, buffers, text);
    EXPECT_EQ(text.substr(0, text.find("\n\n最大")),
              "高程网平差后精度如下:\n"
              "\nfixed(M):      0.5000      "
              "\nrelat(M):      0.2500      ");
}

TEST(FormatPrecisionFields, HeightLeavesTheLastTwoPlaneFields) {
    NetHeader h{};
    h.dirSigma = DirPrior;
    h.planeSigma0 = DirPrior;  // ratio 1
    h.distSigmaConst = 0.02f;
    h.distSigmaPpm = 3.0f;
    h.distSigmaConst4 = 0.04f;
    h.distSigmaPpm4 = 6.0f;
    h.dirSigma4 = DirPosterior;
    PrecisionFieldTexts f;
    FormatPrecisionFields(h, f);
    EXPECT_EQ(f, (PrecisionFieldTexts{"0.0200", "   3.0", "0.000315", "0.0400", "   6.0",
                                      "0.000629"}));  // 2^-16 rad = 3.1474"

    h.heightMode = 1;
    h.levelSigma = 0.5f;
    h.heightSigma0 = 0.125f;  // ratio 0.25
    h.levelSigma4 = 1.0f;
    h.trigHeightSigma = 2.0f;
    h.trigHeightSigma4 = 4.0f;
    FormatPrecisionFields(h, f);
    EXPECT_EQ(f, (PrecisionFieldTexts{"0.1250", "0.2500", "0.5000", "1.0000", "   6.0",
                                      "0.000629"}));
}

TEST(FormatPrecisionFields, LongValuesAreCutToNineteenCharacters) {
    NetHeader h{};
    h.dirSigma = 1.0f;
    h.planeSigma0 = 1.0f;
    h.distSigmaConst = 1e30f;
    PrecisionFieldTexts f;
    FormatPrecisionFields(h, f);
    EXPECT_EQ(f[0].size(), 19u);
}

TEST(RoundDownToMultiple, TruncatesTowardZero) {
    EXPECT_EQ(RoundDownToMultiple(81300.8, 100.0), 81300.0);
    EXPECT_EQ(RoundDownToMultiple(300.0, 100.0), 300.0);
    EXPECT_EQ(RoundDownToMultiple(99.9, 100.0), 0.0);
    EXPECT_EQ(RoundDownToMultiple(-250.0, 100.0), -200.0);
    EXPECT_EQ(RoundDownToMultiple(7.9, 0.5), 7.5);
    EXPECT_EQ(RoundDownToMultiple(1e12, 1.0), 2147483647.0);
    EXPECT_EQ(RoundDownToMultiple(-1e12, 10.0), -21474836480.0);
}

TEST(ShowPrecisionReport, ShowsTheTextWithoutChangingTheNetwork) {
    Network net;
    BuildPlaneResult(net, true);
    net.hdr.levelSigma = 0.0f;  // unset: filled only in the copy the box is built from
    const NetHeader before = net.hdr;
    ReportBuffers buffers;
    RecordingMessenger ui;
    EXPECT_EQ(ShowPrecisionReport(net, ui, buffers), 1);
    EXPECT_EQ(std::memcmp(&before, &net.hdr, sizeof before), 0);
    EXPECT_EQ(buffers.specialObservationCount, 1);

    Network built;
    BuildPlaneResult(built, true);
    std::string text;
    BuildPrecisionReport(built, buffers, text);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, "平差结果");
    EXPECT_EQ(ui.messages[0].kind, 1);
}

}  // namespace
}  // namespace quenvar
