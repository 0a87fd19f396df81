// Robust re-weighting at and just above each method's threshold, one removal per pass, and
// the variance components.
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
std::vector<float> Reweight(int method, float s, const std::vector<Line>& lines, Network* keep = nullptr) {
    Network local;
    Network& net = keep ? *keep : local;
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    net.hdr.levelSigma4 = 0.002f;
    net.hdr.trigHeightSigma = 0.03f;
    net.hdr.trigHeightSigma4 = 0.06f;
    b.Point("A", 0, 0, 100.0, 0, 1);
    UnknownMap map = {-1, 0};
    for (const Line& l : lines) {
        b.Obs(1, b.Point("P" + std::to_string(map.size()), 0, 0, 101.0), l.kind, 1.0, l.obsClass);
        map.push_back(int16_t(map.size() - 1));
    }
    const int n = int(lines.size());
    net.weightTable.assign(2 * size_t(n + 1), 0.0f);
    NormalMatrix q;
    q.Allocate(n + 1);
    for (int k = 1; k <= n; ++k) {
        WeightOf(net, k) = lines[size_t(k - 1)].p;
        net.Obs(k).residual = lines[size_t(k - 1)].v;
        q.At(k, k) = lines[size_t(k - 1)].qkk;
    }
    net.hdr.heightSigma0 = s;
    ReweightObservations(net, method, q, n, map, false);
    return {net.weightTable.begin() + 1, net.weightTable.begin() + 1 + n};
}

// With p = 1 and s = 0.25 the standardised residual |v sqrt(p)| / s of methods 1, 3, 4 is 4|v|.
TEST(ReweightTest, ThresholdsOfTheWeightFunctions) {
    const auto danish = Reweight(MethodDanish, 0.25f, {{1, 0.75f, 0}, {1, -0.76f, 0}, {1, 5.0f, 0, 6, ClassFixed}});
    EXPECT_EQ(danish[0], 1.0f);
    EXPECT_FLOAT_EQ(danish[1], float(std::exp(-3.04 / 3.0)));
    EXPECT_EQ(danish[2], 1.0f);
    const auto huber = Reweight(MethodHuber, 0.25f, {{1, 0.5f, 0}, {4, 0.26f, 0}});
    EXPECT_EQ(huber[0], 1.0f);
    EXPECT_FLOAT_EQ(huber[1], float(4.0 * 2.0 / 2.08));
    const auto zhou = Reweight(MethodZhouJiangwen, 0.25f, {{1, 0.375f, 0}, {1, 0.4f, 0}, {1, 0.6f, 0}, {1, 0.625f, 0}});
    EXPECT_EQ(zhou[0], 1.0f);
    EXPECT_FLOAT_EQ(zhou[1], float(1.0 / 1.6));
    EXPECT_FLOAT_EQ(zhou[2], float(1.0 / 2.4));
    EXPECT_EQ(zhou[3], 0.0f);
    // Data snooping: residual cofactor 1/p - Q(k, k) = 0.25, s = 0.5, so t = 4|v| again.
    const auto snooping = Reweight(MethodDataSnooping, 0.5f, {{1, 0.75f, 0.75}, {1, 0.76f, 0.75}, {1, 2.0f, 1.0}});
    EXPECT_EQ(snooping[0], 1.0f);
    EXPECT_FLOAT_EQ(snooping[1], float(1.0 / (3.04 * 3.04)));
    EXPECT_EQ(snooping[2], 1.0f);  // no redundancy: not tested
}

TEST(ReweightTest, SeveralGrossErrorsLoseOneObservationPerPass) {
    const auto first = Reweight(MethodGrossErrorsAfter, 0.5f, {{1, 0.75f, 0.75}, {1, -0.9f, 0.75}, {1, 0.8f, 0.75}});
    EXPECT_EQ(first, (std::vector<float>{1, 0, 1}));
    const auto second = Reweight(MethodGrossErrorsAfter, 0.5f, {{1, 0.75f, 0.75}, {0, -0.9f, 0.75}, {1, 0.8f, 0.75}});
    EXPECT_EQ(second, (std::vector<float>{1, 0, 0}));
}

TEST(ReweightTest, VarianceComponents) {
    Network net;
    EXPECT_EQ(Reweight(MethodVarianceComponents, 0.5f, {{1, 0.1f, 0.5}, {1, 0.3f, 0.5}}, &net), (std::vector<float>{1, 1}));
    EXPECT_EQ(net.hdr.trigHeightSigma, 0.03f);
    // Group 0: sum v^2 / sum qvv = 0.02 / 1.0. Group 1 (class-4 levelling): 0.09 / 0.5, factor
    // 1/9. Group 2 (trigonometric, qvv = 1/4 - 0.05): 0.08 / 0.4, factor 1/10. Group 3 empty.
    const auto w = Reweight(MethodVarianceComponents, 0.5f,
                            {{1, 0.1f, 0.5}, {1, -0.1f, 0.5}, {1, 0.3f, 0.5, KindLevelled, ClassSpecial},
                             {4, 0.2f, 0.05, KindTrigHeight}, {4, -0.2f, 0.05, KindTrigHeight}},
                            &net);
    EXPECT_EQ(w[0], 1.0f);
    EXPECT_EQ(w[1], 1.0f);
    EXPECT_NEAR(w[2], 1.0 / 9.0, 1e-6);
    EXPECT_NEAR(w[3], 0.4, 1e-6);
    EXPECT_EQ(net.hdr.levelSigma, 0.001f);
    EXPECT_NEAR(net.hdr.levelSigma4, 0.006, 1e-8);
    EXPECT_NEAR(net.hdr.trigHeightSigma, 0.03 * std::sqrt(10.0), 1e-7);
    EXPECT_EQ(net.hdr.trigHeightSigma4, 0.06f);
}

// Directions: the station's weighted mean residual is taken off (direction mode); in angle
// mode the first direction only opens the angles.
TEST(ReweightTest, DirectionsAgainstTheStationMean) {
    Network net;
    testing::NetworkBuilder b(net);
    b.Point("S", 1000, 1000, 0, 1);
    for (int k = 0; k < 3; ++k) b.Obs(1, b.Point("T" + std::to_string(k), 2000 + 100 * k, 1500 + 300 * k), 0, 0.1 * k);
    net.weightTable.assign(8, 0.0f);
    NormalMatrix q;
    q.Allocate(7);
    net.hdr.planeSigma0 = 1e-5f;
    auto run = [&](std::vector<float> v, bool angleMode) {
        for (int o = 1; o <= 3; ++o) {
            WeightOf(net, o) = 1.0f;
            net.Obs(o).residual = v[size_t(o - 1)];
        }
        ReweightObservations(net, MethodDanish, q, 6, {-1, 0, 1, 2, 3}, angleMode);
        return std::vector<float>{WeightOf(net, 1), WeightOf(net, 2), WeightOf(net, 3)};
    };
    EXPECT_EQ(run({1e-3f, 1e-3f, 1e-3f}, false), (std::vector<float>{1, 1, 1}));  // an orientation offset
    const auto w = run({0.0f, 1e-3f, 0.0f}, false);
    const double mean = 1e-3f / 3.0f;
    EXPECT_NEAR(w[0], std::exp(-(mean / 1e-5f) / 3.0), 1e-9);
    EXPECT_NEAR(w[1], std::exp(-((1e-3f - mean) / 1e-5f) / 3.0), 1e-15);
    const auto a = run({5e-3f, 1e-3f, 0.0f}, true);
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_LT(a[1], 1e-6f);
    EXPECT_EQ(a[2], 1.0f);
}

}  // namespace
}  // namespace quenvar
