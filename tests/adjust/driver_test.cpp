// The adjustment driver and its entry: passes, progress texts, result codes and messages,
// numbering of the unknowns, residuals and precision records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/adjustment_driver.h"
#include "adjust/adjustment_results.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "geom/angles.h"
#include "report/report_lines.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

std::string PassText(char digit) {
    std::string t = "正在进行第 1 次平差...";
    t[11] = digit;
    return t;
}

class DriverTest : public ::testing::Test {
protected:
    // A levelling network: fixed A and `points` unknown points in a chain, each also joined to
    // A and to the point after next, with heights from truth plus noise.
    void Levelling(int points, double noise, unsigned seed = 5) {
        net.hdr.heightMode = 1;
        net.hdr.levelSigma = 0.001f;
        testing::Noise rnd(seed);
        truth.assign(size_t(points) + 2, 0.0);
        truth[1] = 100.0;
        b.Point("A", 0, 0, 100.0, 0, 1);
        for (int k = 2; k <= points + 1; ++k) {
            truth[size_t(k)] = 100.0 + 0.7 * k + 0.05 * (k % 3);
            b.Point("P" + std::to_string(k), 0, 0, truth[size_t(k)] + 0.02);
        }
        auto obs = [&](int i, int j) {
            return b.Obs(i, j, KindLevelled, truth[size_t(j)] - truth[size_t(i)] + noise * rnd.Next());
        };
        for (int k = 2; k <= points + 1; ++k) {
            obs(1, k);
            if (k + 1 <= points + 1) obs(k, k + 1);
            if (k + 2 <= points + 1) obs(k, k + 2);
        }
    }
    bool Shown(const std::string& text) {
        const auto& p = b.ui().progress;
        return std::find(p.begin(), p.end(), text) != p.end();
    }
    std::vector<std::string> Infos() {
        std::vector<std::string> t;
        for (const auto& m : b.ui().messages)
            if (m.caption == CaptionMessage) t.push_back(m.text);
        return t;
    }

    Network net;
    testing::NetworkBuilder b{net};
    ReportBuffers reports;
    std::vector<double> truth;
};

TEST_F(DriverTest, SingleAdjustmentIsOnePassWithoutWeightTable) {
    Levelling(4, 0.001);
    EXPECT_EQ(RunAdjustment(net, b.ui(), MethodSingle, 0, 5), ResultSingleDone);
    EXPECT_TRUE(net.weightTable.empty());
    EXPECT_TRUE(Shown("正在'平差'预处理..."));
    EXPECT_TRUE(Shown(PassText('1')));
    EXPECT_FALSE(Shown(PassText('2')));
    EXPECT_EQ(b.ui().closes, 1);
    EXPECT_EQ(net.hdr.optionFlags & OptionResultBits, OptionAdjusted);
    EXPECT_GT(net.hdr.heightSigma0, 0.0f);
}

TEST_F(DriverTest, IteratedMethodsRunAtLeastTwoPasses) {
    Levelling(4, 0.001);
    EXPECT_EQ(RunAdjustment(net, b.ui(), MethodHuber, 0, 1), ResultDone);
    EXPECT_TRUE(Shown(PassText('2')));
    ASSERT_EQ(net.weightTable.size(), 2 * (size_t(net.hdr.obsCount) + 1));
    for (int o = 1; o <= net.hdr.obsCount; ++o) EXPECT_GT(CofactorOf(net, o), 0.0f) << o;
}

TEST_F(DriverTest, TenthPassShowsTheCharacterAfterNine) {
    Levelling(14, 0.0005);
    // Ten gross errors, each twice the one before: one is removed in each pass.
    for (int k = 0; k < 10; ++k) net.Obs(1 + 3 * k).value += 0.01 * double(1 << k);
    EXPECT_EQ(RunAdjustment(net, b.ui(), MethodGrossErrorsAfter, 0, 12), ResultDone);
    EXPECT_TRUE(Shown(PassText('9')));
    EXPECT_TRUE(Shown(PassText(':')));
    for (int k = 0; k < 10; ++k) EXPECT_EQ(WeightOf(net, 1 + 3 * k), 0.0f) << k;
}

TEST_F(DriverTest, EntryRunsMethodZeroAsTwoIteratedPasses) {
    Levelling(4, 0.001);
    net.hdr.levelSigma4 = 0.002f;
    net.hdr.trigHeightSigma = 0.03f;
    EXPECT_EQ(AdjustNetwork(net, b.ui(), reports, MethodSingle, 1), 1);
    EXPECT_TRUE(Shown(PassText('2')));
    EXPECT_FALSE(net.weightTable.empty());  // cofactors kept: not a single adjustment
    EXPECT_TRUE(Infos().empty());
}

TEST_F(DriverTest, NoisyNetworkAdjustsBackToTheTruth) {
    const auto pts = testing::TriangulationPoints();
    BuildPlaneNetwork(b, net, pts, testing::TriangulationSightings(), 1e-5, 0.002, 21, 0.3);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    ASSERT_EQ(RunAdjustment(net, b.ui(), MethodIteration, 0, 5), ResultDone);
    EXPECT_LT(net.hdr.planeSigma0, 3e-5f);
    for (int k = 1; k <= 3; ++k) {
        const EllipseRec& e = net.ellipses[size_t(k)];
        const int i = e.p1 & 0xFFF;
        const double error = std::hypot(net.Point(i).x - pts[size_t(i - 1)].x, net.Point(i).y - pts[size_t(i - 1)].y);
        EXPECT_LT(error, 4.0 * std::hypot(e.a, e.b)) << i;
        EXPECT_GT(e.a, 0.0f);
    }
}

// A gross error of 50 standard errors in one levelled height difference.
class GrossErrorTest : public DriverTest, public ::testing::WithParamInterface<int> {};

TEST_P(GrossErrorTest, IsDownWeightedAsTheWeightFunctionSays) {
    Levelling(14, 0.0005);
    const int gross = 8;  // P4-P5
    net.Obs(gross).value += 0.05;
    const int method = GetParam();
    ASSERT_EQ(RunAdjustment(net, b.ui(), int16_t(method), 0, 8), ResultDone);
    const float p = WeightOf(net, gross);
    switch (method) {
    case MethodDanish:
    case MethodHuber:
    case MethodDataSnooping:
        EXPECT_LT(p, 0.5f);
        EXPECT_GT(p, 0.0f);
        break;
    default:
        EXPECT_EQ(p, 0.0f);
    }
    // Nearly all other differences keep their weight, and the heights come back to the truth.
    int kept = 0;
    for (int o = 1; o <= net.hdr.obsCount; ++o) kept += WeightOf(net, o) > 0.9f ? 1 : 0;
    EXPECT_GE(kept, net.hdr.obsCount - 4);
    for (int k = 2; k <= 15; ++k) EXPECT_NEAR(net.Point(k).h, truth[size_t(k)], 0.004) << k;
}

INSTANTIATE_TEST_SUITE_P(RobustMethods, GrossErrorTest,
                         ::testing::Values(int(MethodDanish), int(MethodDataSnooping), int(MethodHuber),
                                           int(MethodZhouJiangwen), int(MethodGrossErrorsAfter)));

// Runs a height network built by fill and returns its result and its information texts.
template <typename Fill>
std::pair<int, std::vector<std::string>> HeightRun(Fill fill) {
    Network net;
    testing::NetworkBuilder b(net);
    ReportBuffers reports;
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    fill(b);
    const int result = AdjustWithMessages(net, b.ui(), reports, MethodIteration, 2);
    EXPECT_EQ(b.ui().closes, 1);
    return {result, b.ui().Texts()};
}

TEST(DriverResultTest, FailuresReportTheirMessage) {
    using Texts = std::vector<std::string>;
    const auto allFixed = HeightRun([](testing::NetworkBuilder& b) {
        b.Point("A", 0, 0, 100.0, 0, 1);
        b.Point("B", 0, 0, 101.0, 0, 1);
        b.Obs(1, 2, KindLevelled, 1.0);
    });
    EXPECT_EQ(allFixed.first, ResultPreprocessing);
    EXPECT_EQ(allFixed.second, Texts{"预处理出错, 请检查观测值和坐标或高程值, 可能有坐标或高程值为0"});
    const auto noRedundancy = HeightRun([](testing::NetworkBuilder& b) {
        b.Point("A", 0, 0, 100.0, 0, 1);
        b.Point("B", 0, 0, 101.0);
        b.Obs(1, 2, KindLevelled, 1.0);
    });
    EXPECT_EQ(noRedundancy.first, ResultRedundancy);
    EXPECT_EQ(noRedundancy.second, Texts{"必要观测数不够, 平差时至少应有一个多余观测, 设计时可无多余观测"});
    const auto emptyFirstColumn = HeightRun([](testing::NetworkBuilder& b) {
        b.Point("A", 0, 0, 100.0, 0, 1);
        b.Point("X", 0, 0, 105.0);  // first unknown, observed nowhere
        b.Point("B", 0, 0, 101.0);
        b.Obs(1, 3, KindLevelled, 1.0);
        b.Obs(1, 3, KindLevelled, 1.002);
    });
    EXPECT_EQ(emptyFirstColumn.first, ResultNormalEquations);
    EXPECT_EQ(emptyFirstColumn.second, Texts{"组成法方程时失败, 可能有非法观测值或必要观测不足等情况"});
    const auto nothingUsable = HeightRun([](testing::NetworkBuilder& b) {
        b.Point("A", 0, 0, 100.0, 0, 1);
        b.Point("B", 0, 0, 101.0);
        b.Obs(1, 2, KindLevelled, 1.0, ClassKept);
    });
    EXPECT_EQ(nothingUsable.first, ResultNormalEquations);
    const auto declined = HeightRun([](testing::NetworkBuilder& b) {
        b.Point("A", 0, 0, 100.0, 0, 1);
        b.Point("B", 0, 0, 0.0);
        b.ui().answers = {0};
    });
    EXPECT_EQ(declined.first, ResultPreprocessing);
    EXPECT_EQ(declined.second.size(), 2u);  // the question, then the message
    EXPECT_STREQ(AdjustmentErrorText(ResultSolution), "法方程解算失败! 若为秩亏网或拟稳网, 不能有固定点");
    EXPECT_STREQ(AdjustmentErrorText(ResultNoMemory), "无足够主存组成法方程, 请释放主存, 或用PLIXO.EXE平差!");
    EXPECT_STREQ(AdjustmentErrorText(ResultDesignFailed), "\n三类设计失败, 因不能生成临时数据文件!");
}

TEST_F(DriverTest, OneFixedPointDoesNotFixTheRotation) {
    auto pts = testing::TriangulationPoints();
    pts[1].planeClass = 0;
    BuildPlaneNetwork(b, net, pts, testing::TriangulationSightings(), 1e-5, 0.002, 4);
    for (int o = 1; o <= net.hdr.obsCount; ++o)
        if (KindOf(net.Obs(o)) == KindAzimuth) SetObsClass(net.Obs(o), ClassKept);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    EXPECT_EQ(AdjustWithMessages(net, b.ui(), reports, MethodIteration, 2), ResultSolution);
    EXPECT_EQ(Infos(), std::vector<std::string>{AdjustmentErrorText(ResultSolution)});
}

TEST_F(DriverTest, FreeNetworkIsAdjustedInAnglesAndKeepsTheAngleMode) {
    auto pts = testing::TriangulationPoints();
    for (auto& p : pts) p.planeClass = 0;
    BuildPlaneNetwork(b, net, pts, testing::TriangulationSightings(), 1e-5, 0.002, 8);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    EXPECT_EQ(RunAdjustment(net, b.ui(), MethodIteration, 0, 3), ResultDone);
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, OptionAngleMode);
    EXPECT_EQ(net.hdr.knownPointCount, 0);
    EXPECT_EQ(net.hdr.unknownPointCount, 10);
}

TEST_F(DriverTest, PointsWithoutApproximateValuesAreAskedFor) {
    b.Point("A", 100, 100, 0, 1);
    const int p = b.Point("P", 0.0, 200);
    UnknownMap map(3);
    b.ui().answers = {0};
    EXPECT_EQ(NumberUnknowns(net, b.ui(), map), 0);
    EXPECT_EQ(PlaneClass(net.Point(p)), PointUnknown);
    ASSERT_EQ(b.ui().messages.size(), 1u);
    EXPECT_EQ(b.ui().messages[0].text, "P 点坐标无概算值,将不参加平差！继续吗?");
    EXPECT_EQ(b.ui().messages[0].caption, CaptionQuestion);
    b.ui().answers = {1};
    EXPECT_EQ(NumberUnknowns(net, b.ui(), map), 0);
    EXPECT_EQ(PlaneClass(net.Point(p)), PointExcluded);
    EXPECT_EQ(map[size_t(p)], -1);

    net.hdr.heightMode = 1;
    net.Point(1).h = 10.0;
    b.ui().answers = {0};
    EXPECT_EQ(NumberUnknowns(net, b.ui(), map), 0);
    EXPECT_EQ(HeightClass(net.Point(p)), PointExcluded);
    EXPECT_EQ(b.ui().messages.back().text, "P 点高程无概算值,将不参加平差！继续吗?");
}

TEST_F(DriverTest, ResidualsAgainstTheFirstDirectionAndPrecisionRecords) {
    const int s = b.Point("S", 1000, 1000, 0, 1);
    const int t1 = b.Point("T1", 2000, 1000);
    const int t2 = b.Point("T2", 1000, 2000);
    const int d1 = b.Obs(s, t1, KindDirection, 0.5);
    const int d2 = b.Obs(s, t2, KindDirection, 0.5 + 1.5707 + 0.0001);
    const int fixed = b.Obs(s, t2, KindDistance, 999.0, ClassFixed);
    const int dist = b.Obs(t1, t2, KindDistance, 1414.0);
    b.Obs(t1, s, KindConnection, 0.0);
    UnknownMap map = {-1, 0, 1, 2};
    net.hdr.ellipseCount = 2 + 2;
    net.ellipses.assign(5, EllipseRec{});
    NormalMatrix q;
    ASSERT_TRUE(q.Allocate(5));
    // Qxx < Qyy and Qxy = 0 for T1; a full block for T2; a cross term between them.
    q.At(1, 1) = 1.0;
    q.At(2, 2) = 4.0;
    q.At(3, 3) = 2.0;
    q.At(4, 4) = 2.0;
    q.At(4, 3) = 1.0;
    q.At(3, 1) = 0.5;
    net.hdr.planeSigma0 = 0.01f;
    ComputeResults(net, q, map);
    EXPECT_EQ(net.Obs(d1).residual, 0.0f);
    EXPECT_NEAR(net.Obs(d2).residual, 1.5707963268 - 1.5708, 1e-7);
    EXPECT_EQ(net.Obs(fixed).residual, 0.0f);
    EXPECT_EQ(StateBits(net.Obs(fixed)), 0);
    EXPECT_EQ(StateBits(net.Obs(d2)), 1);
    EXPECT_NEAR(net.Obs(dist).residual, std::sqrt(2.0) * 1000 - 1414.0, 1e-4);
    // T1's ellipse: axis along Y (phi = pi/2 - 1.5708 by the quadrant rule).
    const EllipseRec& e1 = net.ellipses[1];
    EXPECT_EQ(e1.p1, t1);
    EXPECT_NEAR(e1.a, 0.01 * 2.0, 1e-6);
    EXPECT_NEAR(e1.b, 0.01 * 1.0, 1e-6);
    EXPECT_NEAR(e1.c, 1.5707963268 - 1.5708, 1e-7);
    // Pair records in list order: S-T1 (from S's direction), S-T2, then T1-T2.
    EXPECT_EQ(net.ellipses[3].p1, s);
    EXPECT_EQ(net.ellipses[3].p2, t1 | EllipsePairRecord);
    EXPECT_EQ(net.ellipses[4].p1, s);
    EXPECT_EQ(net.ellipses[4].p2, t2 | EllipsePairRecord);
    // S-T1 runs due north: longitudinal error from Qxx, transverse from Qyy.
    EXPECT_NEAR(net.ellipses[3].a, 0.01, 1e-6);
    EXPECT_NEAR(net.ellipses[3].b, 0.02, 1e-6);
    // Record 0: largest point error (T1: sqrt(5) x 0.01 against T2's sqrt(4) x 0.01); the
    // pair T1-T2 finds no free record. Largest pair error S-T1: sqrt(1 + 4) x 0.01; largest
    // ratio S-T2 (due east, longitudinal error sqrt(Qyy) = sqrt(2) x 0.01 over 1000 m).
    EXPECT_NEAR(net.ellipses[0].a, 0.01 * std::sqrt(5.0), 1e-6);
    EXPECT_NEAR(net.ellipses[0].b, 0.01 * std::sqrt(5.0), 1e-6);
    EXPECT_NEAR(net.ellipses[0].c, 0.01 * std::sqrt(2.0) / 1000.0, 1e-9);
    EXPECT_EQ(net.ellipses[0].p1, s);
    EXPECT_EQ(net.ellipses[0].p2, t2);
}

}  // namespace
}  // namespace quenvar
