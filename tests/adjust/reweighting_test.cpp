// Robust re-weighting at and just above each method's threshold, the several-gross-errors
// method, and the variance components.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/reweighting.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

// A fixed point A and unknown points P1.. each joined to A by one height difference, so that
// the cofactor of the adjusted difference A-Pk is Q(k, k).
class ReweightTest : public ::testing::Test {
protected:
    void SetUp() override {
        net.hdr.heightMode = 1;
        net.hdr.levelSigma = 0.001f;
        b.Point("A", 0, 0, 100.0, 0, 1);
        map = {-1, 0};
    }
    // One more unknown point and its difference from A with weight p, residual v and Q(k, k).
    int Line(float p, float v, double qkk, int kind = KindLevelled, int obsClass = ClassOrdinary) {
        const int i = b.Point("P" + std::to_string(map.size()), 0, 0, 101.0);
        map.push_back(int16_t(map.size() - 1));
        const int o = b.Obs(1, i, kind, 1.0, obsClass);
        qkk_.push_back(qkk);
        lines_.push_back({o, p, v});
        return o;
    }
    void Run(int method, float s) {
        const int n = int(qkk_.size());
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        for (const auto& l : lines_) {
            WeightOf(net, l.o) = l.p;
            net.Obs(l.o).residual = l.v;
        }
        net.hdr.heightSigma0 = s;
        ASSERT_TRUE(q.Allocate(n + 1));
        for (int k = 1; k <= n; ++k) q.At(k, k) = qkk_[size_t(k - 1)];
        ReweightObservations(net, method, q, n, map, false);
    }
    float W(int o) const { return WeightOf(net, o); }

    struct LineObs {
        int o;
        float p, v;
    };
    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    NormalMatrix q;
    std::vector<double> qkk_;
    std::vector<LineObs> lines_;
};

// With p = 1 and s = 0.25 the standardised residual of methods 1, 3 and 4 is 4|v|.
TEST_F(ReweightTest, DanishAboveThree) {
    const int at = Line(1.0f, 0.75f, 0.0);
    const int above = Line(1.0f, -0.76f, 0.0);
    const int fixed = Line(1.0f, 5.0f, 0.0, KindLevelled, ClassFixed);
    Run(MethodDanish, 0.25f);
    EXPECT_EQ(W(at), 1.0f);
    EXPECT_FLOAT_EQ(W(above), float(std::exp(-3.04 / 3.0)));
    EXPECT_EQ(W(fixed), 1.0f);
}

TEST_F(ReweightTest, HuberAboveTwo) {
    const int at = Line(1.0f, 0.5f, 0.0);
    const int above = Line(4.0f, 0.26f, 0.0);  // t = 0.26 x 2 / 0.25 = 2.08
    Run(MethodHuber, 0.25f);
    EXPECT_EQ(W(at), 1.0f);
    EXPECT_FLOAT_EQ(W(above), float(4.0 * 2.0 / 2.08));
}

TEST_F(ReweightTest, ZhouJiangwenDividesAboveOneAndAHalfAndDropsFromTwoAndAHalf) {
    const int at = Line(1.0f, 0.375f, 0.0);
    const int above = Line(1.0f, 0.4f, 0.0);
    const int below = Line(1.0f, 0.6f, 0.0);
    const int dropped = Line(1.0f, 0.625f, 0.0);
    Run(MethodZhouJiangwen, 0.25f);
    EXPECT_EQ(W(at), 1.0f);
    EXPECT_FLOAT_EQ(W(above), float(1.0 / 1.6));
    EXPECT_FLOAT_EQ(W(below), float(1.0 / 2.4));
    EXPECT_EQ(W(dropped), 0.0f);
}

// With p = 1, Q(k, k) = 0.75 and s = 0.5 the residual cofactor is 0.25 and t = 4|v|.
TEST_F(ReweightTest, DataSnoopingUsesTheResidualCofactor) {
    const int at = Line(1.0f, 0.75f, 0.75);
    const int above = Line(1.0f, 0.76f, 0.75);
    const int noRedundancy = Line(1.0f, 2.0f, 1.0);
    Run(MethodDataSnooping, 0.5f);
    EXPECT_EQ(W(at), 1.0f);
    EXPECT_FLOAT_EQ(W(above), float(1.0 / (3.04 * 3.04)));
    EXPECT_EQ(W(noRedundancy), 1.0f);
    EXPECT_FLOAT_EQ(CofactorOf(net, above), 0.75f);
}

TEST_F(ReweightTest, SeveralGrossErrorsLoseOneObservationPerPass) {
    const int at = Line(1.0f, 0.75f, 0.75);
    const int larger = Line(1.0f, -0.9f, 0.75);
    const int smaller = Line(1.0f, 0.8f, 0.75);
    Run(MethodGrossErrorsAfter, 0.5f);
    EXPECT_EQ(W(larger), 0.0f);
    EXPECT_EQ(W(smaller), 1.0f);
    EXPECT_EQ(W(at), 1.0f);
    // The next pass: the removed one no longer counts, the other goes.
    lines_[1].p = 0.0f;
    Run(MethodGrossErrorsAfter, 0.5f);
    EXPECT_EQ(W(smaller), 0.0f);
    EXPECT_EQ(W(at), 1.0f);
}

TEST_F(ReweightTest, VarianceComponentsOfOneGroupChangeNothing) {
    const int a = Line(1.0f, 0.1f, 0.5);
    const int c = Line(1.0f, 0.3f, 0.5);
    Run(MethodVarianceComponents, 0.5f);
    EXPECT_EQ(W(a), 1.0f);
    EXPECT_EQ(W(c), 1.0f);
    EXPECT_EQ(net.hdr.levelSigma, 0.001f);
}

TEST_F(ReweightTest, VarianceComponentsScaleTheLaterGroupsToTheFirst) {
    net.hdr.levelSigma4 = 0.002f;
    net.hdr.trigHeightSigma = 0.03f;
    net.hdr.trigHeightSigma4 = 0.06f;
    // Group 0: sum v^2 = 0.02 over sum qvv = 1.0.
    const int l1 = Line(1.0f, 0.1f, 0.5);
    const int l2 = Line(1.0f, -0.1f, 0.5);
    // Group 1 (class-4 levelling): 0.09 / 0.5 -> factor 1/9.
    const int special = Line(1.0f, 0.3f, 0.5, KindLevelled, ClassSpecial);
    // Group 2 (trigonometric): qvv = 1/4 - 0.05 each, 0.08 / 0.4 -> factor 1/10.
    const int t1 = Line(4.0f, 0.2f, 0.05, KindTrigHeight);
    const int t2 = Line(4.0f, -0.2f, 0.05, KindTrigHeight);
    Run(MethodVarianceComponents, 0.5f);
    EXPECT_EQ(W(l1), 1.0f);
    EXPECT_EQ(W(l2), 1.0f);
    EXPECT_NEAR(W(special), 1.0 / 9.0, 1e-6);
    EXPECT_NEAR(W(t1), 0.4, 1e-6);
    EXPECT_NEAR(W(t2), 0.4, 1e-6);
    EXPECT_EQ(net.hdr.levelSigma, 0.001f);
    EXPECT_NEAR(net.hdr.levelSigma4, 0.006, 1e-8);
    EXPECT_NEAR(net.hdr.trigHeightSigma, 0.03 * std::sqrt(10.0), 1e-7);
    // Group 3 holds nothing and gets no factor; its errors stay.
    EXPECT_EQ(net.hdr.trigHeightSigma4, 0.06f);
}

// Directions: the station's weighted mean residual is taken off (direction mode), and in
// angle mode the first direction only opens the angles.
TEST(DirectionReweightTest, StationMeanAndFirstDirection) {
    Network net;
    testing::NetworkBuilder b(net);
    b.Point("S", 1000, 1000, 0, 1);
    for (int k = 0; k < 3; ++k) b.Point("T" + std::to_string(k), 2000 + 100 * k, 1500 + 300 * k);
    const UnknownMap map = {-1, 0, 1, 2, 3};
    for (int k = 0; k < 3; ++k) b.Obs(1, 2 + k, KindDirection, 0.1 * k);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    NormalMatrix q;
    ASSERT_TRUE(q.Allocate(7));
    net.hdr.planeSigma0 = 1e-5f;
    auto run = [&](const float (&v)[3], bool angleMode) {
        for (int o = 1; o <= 3; ++o) {
            WeightOf(net, o) = 1.0f;
            net.Obs(o).residual = v[o - 1];
        }
        ReweightObservations(net, MethodDanish, q, 6, map, angleMode);
    };
    // A common offset of the residuals is an orientation, not an error.
    run({1e-3f, 1e-3f, 1e-3f}, false);
    for (int o = 1; o <= 3; ++o) EXPECT_EQ(WeightOf(net, o), 1.0f) << o;
    run({0.0f, 1e-3f, 0.0f}, false);
    // Residuals less their mean 1/3 mrad, over s = 0.01 mrad.
    const double mean = (1e-3f / 3.0f);
    EXPECT_NEAR(WeightOf(net, 1), std::exp(-(mean / 1e-5f) / 3.0), 1e-9);
    EXPECT_NEAR(WeightOf(net, 2), std::exp(-((1e-3f - mean) / 1e-5f) / 3.0), 1e-15);
    EXPECT_EQ(WeightOf(net, 1), WeightOf(net, 3));
    run({5e-3f, 1e-3f, 0.0f}, true);
    EXPECT_EQ(WeightOf(net, 1), 1.0f);
    EXPECT_LT(WeightOf(net, 2), 1e-6f);
    EXPECT_EQ(WeightOf(net, 3), 1.0f);
}

}  // namespace
}  // namespace quenvar
