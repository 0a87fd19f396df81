#include "approx/trig_heights.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

class TrigHeightTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int p = b.Point("P", 1000, 1000), t = b.Point("T", 2000, 1000), q = b.Point("Q", 0, 0);  // Q: no coordinates

    double Trig(int s, int target) { return net.Obs(FindObservation(net, s, target, KindTrigHeight)).value; }
};

TEST_F(TrigHeightTest, HeightDifferencesFromTheFormulaOnceForEverySight) {
    // P -> Q: the length only from Q's slope distance back to P; T -> P: P's target height on its own line.
    for (const auto& [s, target, kind, value] : {std::tuple{p, p, KindInstrument, 1.6}, {p, t, KindTargetHeight, 1.6}, {p, t, KindVertical, 0.0},
                                                  {t, t, KindInstrument, 1.6}, {p, p, KindTargetHeight, 1.6}, {q, p, KindSlope, 802.5},
                                                  {q, q, KindTargetHeight, 2.0}, {p, q, KindZenith, 1.52}})
        b.Obs(s, target, kind, value);
    b.Obs(t, p, KindZenith, 1.570796327, ClassSpecial);
    for (int run = 0; run < 2; ++run) ASSERT_EQ(ComputeTrigHeights(net, b.ui()), 1);
    EXPECT_EQ(net.hdr.refraction, 0.14);
    EXPECT_NEAR(Trig(p, t), 0.067483, 5e-7);  // level over 1000 m: 0.86 * 1000^2 / (2 * 6372000)
    EXPECT_NEAR(Trig(t, p), 0.067483, 5e-7);
    EXPECT_EQ(ObsClassOf(net.Obs(FindObservation(net, t, p, KindTrigHeight))), ClassSpecial);
    const double alpha = 1.570796327 - 1.52, d = 802.5 * std::cos(alpha);
    EXPECT_NEAR(Trig(p, q), d * std::tan(alpha) + 1.6 - 2.0 + 0.86 * d * d / (2 * 6372000.0), 1e-9);
    EXPECT_EQ(net.hdr.obsCount, 12);  // one record per sight, after two runs
    EXPECT_TRUE(b.ui().messages.empty());
}

TEST_F(TrigHeightTest, MissingIngredientsStopWithAMessageNamingThePointIndices) {
    const int sight = b.Obs(p, t, KindVertical, 0.01);
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    const int i = b.Obs(p, p, KindInstrument, 0.0);  // 0 counts as missing
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.Obs(i).value = 1.5;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    b.Obs(p, t, KindTargetHeight, 1.7);
    net.Point(t).x = 0.0;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.Point(t).x = 2000.0;
    net.hdr.capacityStep = 3;  // no room for another observation
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.hdr.capacityStep = 2;
    const int nowhere = b.Obs(p, 0, KindVertical, 0.01);  // a sight at no point is still a sight
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_EQ(b.ui().Texts(), (std::vector<std::string>{"测站1无仪器高", "测站1无仪器高", "站1的2无照准高", "无法得到站1到2的距离",
                                                         "no enough space", "站1到2的高差已无存放空间", "站1的0无照准高"}));
    b.ui().messages.clear();
    for (const int o : {sight, nowhere}) net.Obs(o).code = MakeCode(KindVertical, ClassKept);
    b.Obs(q, t, KindZenith, 0.5);  // 1.07 rad above the horizon: stops without a word
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_TRUE(b.ui().messages.empty());
}

}  // namespace
}  // namespace quenvar
