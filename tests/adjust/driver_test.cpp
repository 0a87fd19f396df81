// The adjustment driver (passes, progress texts, result codes and messages, residuals and
// precision records) and the re-weighting between its passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "adjust/adjustment_driver.h"
#include "adjust/adjustment_results.h"
#include "adjust/reweighting.h"
#include "frame/library_state.h"
#include "quenvar.h"
#include "report/report_lines.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

std::string PassText(char digit) { return std::string("正在进行第 ") + digit + " 次平差..."; }

bool Shown(testing::NetworkBuilder& b, const std::string& t) { return std::ranges::count(b.ui().progress, t) > 0; }

// Fixed A and `points` unknown points, each joined to A, to the next and to the one after
// next by levelled differences from heights 0.02 m off the truth, plus noise.
void Levelling(testing::NetworkBuilder& b, Network& net, int points, double noise) {
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    testing::Noise rnd(5);
    auto truth = [](int k) { return k == 1 ? 100.0 : 100.0 + 0.7 * k + 0.05 * (k % 3); };
    b.Point("A", 0, 0, truth(1), 0, 1);
    for (int k = 2; k <= points + 1; ++k) b.Point("P" + std::to_string(k), 0, 0, truth(k) + 0.02);
    for (int k = 2; k <= points + 1; ++k)
        for (const int j : {1, k + 1, k + 2})
            if (const int from = std::min(j, k), to = std::max(j, k); to <= points + 1)
                b.Obs(from, to, KindLevelled, truth(to) - truth(from) + noise * rnd.Next());
}

TEST(DriverTest, SingleAdjustmentIsOnePassAndOtherMethodsAtLeastTwo) {
    for (const bool single : {true, false}) {
        Network net;
        testing::NetworkBuilder b(net);
        Levelling(b, net, 4, 0.001);
        EXPECT_EQ(RunAdjustment(net, b.ui(), single ? MethodSingle : MethodHuber, 0, single ? 5 : 1),
                  single ? ResultSingleDone : ResultDone);
        EXPECT_TRUE(Shown(b, "正在'平差'预处理...") && Shown(b, PassText('1')));
        EXPECT_EQ(Shown(b, PassText('2')), !single);
        EXPECT_EQ(std::tuple(b.ui().closes, net.hdr.optionFlags & OptionResultBits, net.weightTable.empty()),
                  std::tuple(1, int(OptionAdjusted), single));
        for (int o = 1; !single && o <= net.hdr.obsCount; ++o) EXPECT_GT(CofactorOf(net, o), 0.0f) << o;
    }
}

TEST(DriverTest, SeveralGrossErrorsAreRemovedOnePerPassUpToTheTenth) {
    Network net;
    testing::NetworkBuilder b(net);
    Levelling(b, net, 14, 0.0005);
    // Ten gross errors on the lines from A, each twice the one before.
    for (int k = 0; k < 10; ++k) net.Obs(1 + 3 * k).value += 0.01 * double(1 << k);
    EXPECT_EQ(RunAdjustment(net, b.ui(), MethodGrossErrorsAfter, 0, 12), ResultDone);
    EXPECT_TRUE(Shown(b, PassText('9')) && Shown(b, PassText(':')));
    for (int o = 1; o <= net.hdr.obsCount; ++o) EXPECT_EQ(WeightOf(net, o) == 0.0f, o % 3 == 1 && o <= 28) << o;
}

// Height networks after the fixed A, described by their points (F fixed, U unknown, 0 without
// height) and their lines (from, to, class), and the texts each failure shows.
TEST(DriverTest, FailuresReportTheirMessage) {
    const std::string preprocessing = "预处理出错, 请检查观测值和坐标或高程值, 可能有坐标或高程值为0";
    const std::string normals = "组成法方程时失败, 可能有非法观测值或必要观测不足等情况";
    struct Case { std::string points; std::vector<std::array<int, 3>> lines; int result; LineList texts; };
    const Case cases[] = {
        {"F", {{1, 2, 0}}, ResultPreprocessing, {preprocessing}},
        {"0", {}, ResultPreprocessing, {"B 点高程无概算值,将不参加平差！继续吗?", preprocessing}},
        {"U", {{1, 2, 0}}, ResultRedundancy, {"必要观测数不够, 平差时至少应有一个多余观测, 设计时可无多余观测"}},
        {"UU", {{1, 3, 0}, {1, 3, 0}}, ResultNormalEquations, {normals}},  // first unknown unobserved
        {"U", {{1, 2, ClassKept}}, ResultNormalEquations, {normals}},
    };
    for (const auto& c : cases) {
        Network net;
        testing::NetworkBuilder b(net);
        ReportBuffers reports;
        Levelling(b, net, 0, 0.0);
        for (size_t k = 0; k < c.points.size(); ++k)
            b.Point(std::string(1, char('B' + k)), 0, 0, c.points[k] == '0' ? 0.0 : 101.0 + k, 0, c.points[k] == 'F');
        for (const auto& [from, to, obsClass] : c.lines) b.Obs(from, to, KindLevelled, 1.0 + 0.002 * from, obsClass);
        EXPECT_EQ(AdjustWithMessages(net, b.ui(), reports, MethodIteration, 2), c.result) << c.points;
        EXPECT_EQ(b.ui().Texts(), c.texts) << c.points;
        EXPECT_EQ(b.ui().closes, 1);
    }
    EXPECT_STREQ(AdjustmentErrorText(ResultNoMemory), "无足够主存组成法方程, 请释放主存, 或用PLIXO.EXE平差!");
    EXPECT_STREQ(AdjustmentErrorText(ResultDesignFailed), "\n三类设计失败, 因不能生成临时数据文件!");
}

// One fixed point and no azimuth leave the rotation free: the inversion fails.
TEST(DriverTest, PlaneNetworkWithItsRotationFreeFailsInTheSolution) {
    Network net;
    testing::NetworkBuilder b(net);
    ReportBuffers reports;
    testing::BuildRotationFreeTriangulation(b, net);
    EXPECT_EQ(AdjustWithMessages(net, b.ui(), reports, MethodIteration, 3), ResultSolution);
    EXPECT_EQ(b.ui().Texts(), std::vector<std::string>{"法方程解算失败! 若为秩亏网或拟稳网, 不能有固定点"});
}

// The height entry point sets the network kind and runs the iterated adjustment on the
// library's own network; with nothing loaded it fails.
TEST(DriverTest, HeightExportAdjustsTheLibrarysNetwork) {
    Network& net = Library().net;
    FreeDatabase(net);
    EXPECT_EQ(zrHAdjustment(0, 1), 0);
    testing::NetworkBuilder b(net);
    net.hdr.levelSigma = 0.001f;
    b.Point("A", 0, 0, 100.0, 0, 1), b.Point("B", 0, 0, 101.0), b.Point("C", 0, 0, 102.5);
    b.Obs(1, 2, KindLevelled, 1.0), b.Obs(2, 3, KindLevelled, 1.5), b.Obs(1, 3, KindLevelled, 2.5005);
    EXPECT_EQ(zrHAdjustment(0, 1), 1);
    EXPECT_EQ(net.hdr.heightMode, 1);
    EXPECT_FALSE(net.weightTable.empty());
    EXPECT_NEAR(net.Point(3).h, 102.5 + 0.0005 * 2 / 3, 1e-9);
    FreeDatabase(net);
}

void ExpectRecord(const EllipseRec& e, int p1, int p2, double a, double b, double c) {
    EXPECT_EQ(std::pair(int(e.p1), int(e.p2)), std::pair(p1, p2));
    for (const auto& [got, want] : {std::pair(e.a, a), std::pair(e.b, b), std::pair(e.c, c)})
        EXPECT_NEAR(got, want, 1e-4 * std::fabs(want) + 1e-10) << p1 << "-" << (p2 & 0xFFF);
}

TEST(DriverTest, ResidualsAgainstTheFirstDirectionAndPrecisionRecords) {
    Network net;
    testing::NetworkBuilder b(net);
    const int s = b.Point("S", 1000, 1000, 0, 1), t1 = b.Point("T1", 2000, 1000), t2 = b.Point("T2", 1000, 2000);
    b.Obs(s, t1, KindDirection, 0.5);
    const int d2 = b.Obs(s, t2, KindDirection, 0.5 + 1.5707 + 0.0001);
    const int fixed = b.Obs(s, t2, KindDistance, 999.0, ClassFixed);
    const int dist = b.Obs(t1, t2, KindDistance, 1414.0);
    net.ellipses.assign(5, EllipseRec{});  // the maxima, two point and two pair records
    NormalMatrix q;
    ASSERT_TRUE(q.Allocate(5));
    q.At(1, 1) = 1.0, q.At(2, 2) = 4.0;               // T1: Qxx < Qyy, Qxy = 0
    q.At(3, 3) = q.At(4, 4) = 2.0, q.At(4, 3) = 1.0;  // T2: a full block
    q.At(3, 1) = 0.5;                                 // a cross term between them
    net.hdr.planeSigma0 = 0.01f;
    ComputeResults(net, q, {-1, 0, 1, 2});
    const ObsRec &dir = net.Obs(d2), &kept = net.Obs(fixed);  // a fixed observation keeps residual 0, no state
    EXPECT_NEAR(dir.residual, 1.5707963268 - 1.5708, 1e-7);
    EXPECT_EQ(std::tuple(StateBits(dir), StateBits(kept), kept.residual), std::tuple(1, 0, 0.0f));
    EXPECT_NEAR(net.Obs(dist).residual, std::sqrt(2.0) * 1000 - 1414.0, 1e-4);
    // T1's ellipse: axis along Y (phi = pi/2 - 1.5708 by the quadrant rule).
    ExpectRecord(net.ellipses[1], t1, EllipsePointRecord, 0.02, 0.01, 1.5707963268 - 1.5708);
    // Pair records in list order: S-T1 (due north: longitudinal error from Qxx, transverse
    // from Qyy), then S-T2 (due east); T1-T2 finds no free record.
    ExpectRecord(net.ellipses[3], s, t1 | EllipsePairRecord, 0.01, 0.02, 0.0);
    const double r2 = 0.01 * std::sqrt(2.0), r5 = 0.01 * std::sqrt(5.0);
    ExpectRecord(net.ellipses[4], s, t2 | EllipsePairRecord, r2, r2, 1.5707963268);
    // Record 0: largest point error sqrt(5) x 0.01 (T1), largest pair error S-T1 the same,
    // largest ratio S-T2 (sqrt(Qyy) = sqrt(2) x 0.01 over 1000 m).
    ExpectRecord(net.ellipses[0], s, t2, r5, r5, r2 / 1000.0);
}

// ---- re-weighting: each method around its threshold, one removal per pass, variance components

struct Line {
    float p, v;
    double qkk;  // cofactor of the adjusted difference
    int kind = KindLevelled, obsClass = ClassOrdinary;
};

// Fixed A and one unknown point per line, joined to A by that line, so that the cofactor of
// the adjusted difference is Q(k, k). Returns the new weights.
std::vector<float> Reweight(Network& net, int method, float s, const std::vector<Line>& lines) {
    testing::NetworkBuilder b(net);
    NetHeader& h = net.hdr;
    h.heightMode = 1, h.heightSigma0 = s;
    h.levelSigma = 0.001f, h.levelSigma4 = 0.002f, h.trigHeightSigma = 0.03f, h.trigHeightSigma4 = 0.06f;
    b.Point("A", 0, 0, 100.0, 0, 1);
    const int n = int(lines.size());
    UnknownMap map = {-1, 0};
    NormalMatrix q;
    q.Allocate(n + 1);
    net.weightTable.assign(2 * size_t(n + 1), 0.0f);
    for (int k = 1; k <= n; ++k) {
        const Line& l = lines[size_t(k - 1)];
        net.Obs(b.Obs(1, b.Point("P" + std::to_string(k), 0, 0, 101.0), l.kind, 1.0, l.obsClass)).residual = l.v;
        map.push_back(int16_t(k));
        WeightOf(net, k) = l.p;
        q.At(k, k) = l.qkk;
    }
    ReweightObservations(net, method, q, n, map, false);
    return {net.weightTable.begin() + 1, net.weightTable.begin() + 1 + n};
}

// With p = 1 and s = 0.25 the standardised residual |v sqrt(p)| / s is 4|v|; for data
// snooping the residual cofactor 1/p - Q(k, k) is 0.25 and s = 0.5, so t = 4|v| again.
TEST(ReweightTest, ThresholdsOfTheWeightFunctions) {
    struct Case { int method; float s; std::vector<Line> lines; std::vector<float> weights; };
    const Case cases[] = {
        {MethodDanish, 0.25f, {{1, 0.75f, 0}, {1, -0.76f, 0}, {1, 5.0f, 0, KindLevelled, ClassFixed}},
         {1.0f, float(std::exp(-3.04 / 3.0)), 1.0f}},
        {MethodHuber, 0.25f, {{1, 0.5f, 0}, {4, 0.26f, 0}}, {1.0f, float(4.0 * 2.0 / 2.08)}},
        {MethodZhouJiangwen, 0.25f, {{1, 0.375f, 0}, {1, 0.4f, 0}, {1, 0.6f, 0}, {1, 0.625f, 0}},
         {1.0f, float(1.0 / 1.6), float(1.0 / 2.4), 0.0f}},
        // The third line has no redundancy (residual cofactor 0) and is not tested.
        {MethodDataSnooping, 0.5f, {{1, 0.75f, 0.75}, {1, 0.76f, 0.75}, {1, 2.0f, 1.0}},
         {1.0f, float(1.0 / (3.04 * 3.04)), 1.0f}},
        // Only the largest of several above 3.0 is removed in one pass.
        {MethodGrossErrorsAfter, 0.5f, {{1, 0.75f, 0.75}, {1, -0.9f, 0.75}, {1, 0.8f, 0.75}}, {1, 0, 1}},
        {MethodGrossErrorsAfter, 0.5f, {{1, 0.75f, 0.75}, {0, -0.9f, 0.75}, {1, 0.8f, 0.75}}, {1, 0, 0}},
        // Variance components of only one group change nothing.
        {MethodVarianceComponents, 0.5f, {{1, 0.1f, 0.5}, {1, 0.3f, 0.5}}, {1, 1}},
    };
    for (const Case& c : cases) {
        Network net;
        const std::vector<float> w = Reweight(net, c.method, c.s, c.lines);
        ASSERT_EQ(w.size(), c.weights.size());
        for (size_t k = 0; k < w.size(); ++k) EXPECT_FLOAT_EQ(w[k], c.weights[k]) << c.method << " line " << k;
    }
}

// Group 0: sum v^2 / sum qvv = 0.02 / 1.0. Group 1 (class-4 levelling): 0.09 / 0.5, factor
// 1/9. Group 2 (trigonometric, qvv = 1/4 - 0.05): 0.08 / 0.4, factor 1/10. Group 3 empty.
TEST(ReweightTest, VarianceComponents) {
    Network net;
    const auto w = Reweight(net, MethodVarianceComponents, 0.5f,
                            {{1, 0.1f, 0.5}, {1, -0.1f, 0.5}, {1, 0.3f, 0.5, KindLevelled, ClassSpecial},
                             {4, 0.2f, 0.05, KindTrigHeight}, {4, -0.2f, 0.05, KindTrigHeight}});
    const double expected[] = {1.0, 1.0, 1.0 / 9.0, 0.4, 0.4};
    for (size_t k = 0; k < 5; ++k) EXPECT_NEAR(w[k], expected[k], 1e-6) << k;
    EXPECT_EQ(std::pair(+net.hdr.levelSigma, +net.hdr.trigHeightSigma4), std::pair(0.001f, 0.06f));
    EXPECT_NEAR(+net.hdr.levelSigma4, 0.006, 1e-8);
    EXPECT_NEAR(net.hdr.trigHeightSigma, 0.03 * std::sqrt(10.0), 1e-7);
}

// Fixed S with three directions (and two distances) to unknown points; Q = 0, so every
// adjusted observation has cofactor 0 and residual cofactor 1/p. In angle mode the first
// direction enters the variance components with residual 0 and its residual cofactor 1/p:
// group 0 has sum v^2 = 2e-6 over three cofactors, the distances (group 2) 0.08 over two;
// factor (2e-6 / 3) / 0.04.
TEST(ReweightTest, VarianceComponentsInAngleModeCountTheFirstDirection) {
    Network net;
    testing::NetworkBuilder b(net);
    b.Point("S", 1000, 1000, 0, 1);
    for (int k = 0; k < 3; ++k) b.Obs(1, b.Point("T" + std::to_string(k), 2000 + 100 * k, 1500 + 300 * k), 0, 0.1 * k);
    b.Obs(1, 2, KindDistance, 1118.0);
    b.Obs(1, 3, KindDistance, 1500.0);
    net.weightTable.assign(12, 0.0f);
    net.hdr.planeSigma0 = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    const float v[5] = {5e-3f, 1e-3f, -1e-3f, 0.2f, -0.2f};
    for (int o = 1; o <= 5; ++o) WeightOf(net, o) = 1.0f, net.Obs(o).residual = v[o - 1];
    NormalMatrix q;
    q.Allocate(7);
    ReweightObservations(net, MethodVarianceComponents, q, 6, {-1, 0, 1, 2, 3}, true);
    const double f = (2e-6 / 3.0) / 0.04;
    EXPECT_NEAR(WeightOf(net, 4), f, 1e-6 * f);
    EXPECT_EQ(WeightOf(net, 1), 1.0f);
    EXPECT_NEAR(net.hdr.distSigmaConst, 0.002 / std::sqrt(f), 1e-6 * 0.002 / std::sqrt(f));
}

}  // namespace
}  // namespace quenvar
