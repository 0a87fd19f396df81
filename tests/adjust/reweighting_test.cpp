// Robust re-weighting around each method's threshold, one removal per pass, and the variance
// components.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/reweighting.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

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
