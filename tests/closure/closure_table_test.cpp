#include "closure/closure_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/closure/closure_networks.h"

namespace quenvar {
namespace {

using namespace testing;

struct Computation {
    ClosureState state;
    ReportBuffers reports;
    double sigma = -1.0;
    int16_t result = 0;

    Computation(Network& net, Messenger& ui, int kind) {
        ClosureContext c{net, ui, state, reports};
        result = ComputeClosures(c, kind, sigma);
    }
};

// Three unknown points, every direction observed both ways, the direction 2 -> 1 6" too large.
void TriangleOfDirections(Network& net, NetworkBuilder& b) {
    b.Point("P1", 1000, 1000);
    b.Point("P2", 1000, 1800);
    b.Point("P3", 1600, 1300);
    for (int s = 1; s <= 3; ++s)
        for (int t = 1; t <= 3; ++t)
            if (s != t) Direction(b, net, s, t, s == 2 && t == 1 ? 6 * Arcsec : 0.0);
}

TEST(ComputeClosures, PlaneTriangleLineWithDefaultErrorAndLimit) {
    Network net;
    NetworkBuilder b(net);
    TriangleOfDirections(net, b);
    net.hdr.dirSigma = 0.0f;  // replaced by the default before the limits are formed
    Computation c(net, b.ui(), 0);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(net.hdr.dirSigma, 9.697e-5f);
    EXPECT_EQ(net.hdr.heightMode, 0);
    ASSERT_EQ(c.reports.reportLines.size(), 1u);
    // 6" in d.mmss, three angles, 3 x 1.41421 x 20" x sqrt(3) = 0 deg 02' 26.98"
    EXPECT_EQ(c.reports.reportLines[0], "   1    0.00060    3.00   0.02270");
    EXPECT_EQ(c.reports.reportLines[0].size(), 33u);
    EXPECT_NEAR(c.sigma, 6 * Arcsec / std::sqrt(3.0), 1e-10);
}

// Points P1, P2 with a line levelled forth (value) and back (0): a closed loop of two steps,
// each step counting one kilometre.
void TwoStepLoop(Network& net, NetworkBuilder& b, double value) {
    b.Point("P1", 0, 0, 50.0, 0, 1);
    b.Point("P2", 0, 0);
    b.Obs(1, 2, KindLevelled, value);
    b.Obs(2, 1, KindLevelled, 0.0);
    (void)net;
}

TEST(ComputeClosures, HeightLoopLineAndExcessMarkAtTheLimit) {
    {
        Network net;
        NetworkBuilder b(net);
        // The search travels the loop as P3, P2, P1, P3: 0.300 + 0.500 - 0.788 = 0.012.
        for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
        b.Obs(1, 2, KindLevelled, -0.500);
        b.Obs(1, 2, KindLineLength, 800);
        b.Obs(2, 3, KindLevelled, -0.300);
        b.Obs(2, 3, KindLineLength, 1200);
        b.Obs(3, 1, KindLevelled, 0.788);
        b.Obs(3, 1, KindLineLength, 1000);
        net.hdr.levelSigma = 0.01f;
        Computation c(net, b.ui(), 1);
        ASSERT_EQ(c.result, 1);
        ASSERT_EQ(c.reports.reportLines.size(), 1u);
        EXPECT_EQ(c.reports.reportLines[0], "   1    0.01200    3.00   0.05196");
        EXPECT_NEAR(c.sigma, 0.012 / std::sqrt(3.0), 1e-12);
    }
    // A closure equal to its limit is no excess; the next larger double is.
    const double limit = double((long double)0.01f * std::sqrt(2.0L) * 3.0L);
    for (const bool above : {false, true}) {
        Network net;
        NetworkBuilder b(net);
        TwoStepLoop(net, b, above ? std::nextafter(limit, 1.0) : limit);
        net.hdr.levelSigma = 0.01f;
        Computation c(net, b.ui(), 1);
        ASSERT_EQ(c.reports.reportLines.size(), 1u);
        EXPECT_EQ(c.reports.reportLines[0], std::string(above ? "*" : " ") + "  1    0.04243    2.00   0.04243");
    }
}

TEST(ComputeClosures, LimitFactorBelowOneIsUsedOnceThenReplaced) {
    Network net;
    NetworkBuilder b(net);
    TwoStepLoop(net, b, 0.02);
    net.hdr.levelSigma = 0.01f;
    net.hdr.closureLimitFactor = 0.5f;
    Computation c(net, b.ui(), 1);
    ASSERT_EQ(c.reports.reportLines.size(), 1u);
    // 0.5 x 0.01 x sqrt(2) = 0.00707: exceeded.
    EXPECT_EQ(c.reports.reportLines[0], "*  1    0.02000    2.00   0.00707");
    EXPECT_EQ(net.hdr.closureLimitFactor, 2.0f);
}

TEST(ComputeClosures, RefusedInADesignNetworkAfterTheCalculation) {
    Network net;
    NetworkBuilder b(net);
    TwoStepLoop(net, b, 0.02);
    net.hdr.designMode = 1;
    Computation c(net, b.ui(), 1);
    EXPECT_EQ(c.result, 0);
    const auto texts = b.ui().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(b.ui().messages[0].kind, MsgQuestion);  // the calculation's own question
    EXPECT_EQ(texts[1], "您的环境设置不允许进行闭合差计算");
    EXPECT_EQ(c.state.loopCount, 0);
}

TEST(ComputeClosures, NoLoopsShowsNoClosuresAndKeepsTheOldLines) {
    Network net;
    NetworkBuilder b(net);
    b.Point("P1", 0, 0);
    b.Point("P2", 0, 0);
    b.Obs(1, 2, KindLevelled, 1.0);
    b.Obs(1, 2, KindLineLength, 100.0);
    ReportBuffers reports;
    reports.reportLines = {"earlier"};
    ClosureState state;
    double sigma = 0.0;
    ClosureContext c{net, b.ui(), state, reports};
    EXPECT_EQ(ComputeClosures(c, 1, sigma), 0);
    EXPECT_EQ(b.ui().Texts(), std::vector<std::string>{"无闭合差"});
    EXPECT_EQ(reports.reportLines, std::vector<std::string>{"earlier"});
    EXPECT_TRUE(state.loopList.empty());
}

TEST(ComputeClosures, TraversesAloneGiveAStandardErrorOfZeroAndFreeLoopsEmptiesEverything) {
    Traverse t(false, false);
    Computation c(t.net, t.b.ui(), 0);
    ASSERT_EQ(c.result, 1);
    ASSERT_EQ(c.state.loopCount, 1);
    EXPECT_EQ(c.state.Loop(0)->Kind(), LoopTraverse);
    EXPECT_EQ(c.sigma, 0.0);
    FreeLoops(c.state);
    EXPECT_LT(c.state.loopCount, 1);
    EXPECT_EQ(c.state.Loop(0), nullptr);
    EXPECT_TRUE(c.state.triangleTable.empty());
}

}  // namespace
}  // namespace quenvar
