#include "approx/trig_heights.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

constexpr double HalfPi = 1.5707963267948966;
constexpr double EarthRadius = 6372000.0;

// Height difference of a sight by the trigonometric levelling formula, written out here.
double ExpectedRise(double d, double alpha, double i, double v, double k) {
    return d * std::tan(alpha) + i - v + (1.0 - k) * d * d / (2.0 * EarthRadius);
}

class TrigHeightTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int p = b.Point("P", 1000, 1000);
    int t = b.Point("T", 2000, 1000);

    int CountTrig(int station, int target) {
        int n = 0;
        for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next)
            if (KindOf(net.Obs(o)) == KindTrigHeight && net.Obs(o).target == target) ++n;
        return n;
    }
};

TEST_F(TrigHeightTest, LevelSightOverOneKilometreRisesByCurvatureAndRefraction) {
    b.Obs(p, p, KindInstrument, 1.6);
    b.Obs(p, t, KindTargetHeight, 1.6);
    b.Obs(p, t, KindVertical, 0.0);
    b.Obs(t, p, KindTargetHeight, 1.6);
    b.Obs(t, t, KindInstrument, 1.6);
    b.Obs(t, p, KindZenith, 1.570796327, ClassSpecial);  // a zenith distance of 90 degrees
    ASSERT_EQ(ComputeTrigHeights(net, b.ui()), 1);
    EXPECT_DOUBLE_EQ(net.hdr.refraction, 0.14);
    const int o = FindObservation(net, p, t, KindTrigHeight);
    ASSERT_NE(o, 0);
    EXPECT_NEAR(net.Obs(o).value, 0.067483, 5e-7);
    const int back = FindObservation(net, t, p, KindTrigHeight);
    ASSERT_NE(back, 0);
    EXPECT_NEAR(net.Obs(back).value, 0.067483, 5e-7);
    EXPECT_EQ(ObsClassOf(net.Obs(back)), ClassSpecial);
    EXPECT_TRUE(b.ui().messages.empty());

    // A second run recomputes the same records in place.
    net.hdr.refraction = 0.2;
    ASSERT_EQ(ComputeTrigHeights(net, b.ui()), 1);
    EXPECT_EQ(CountTrig(p, t), 1);
    EXPECT_EQ(CountTrig(t, p), 1);
    EXPECT_NEAR(net.Obs(o).value, ExpectedRise(1000, 0, 1.6, 1.6, 0.2), 1e-12);
}

TEST_F(TrigHeightTest, TargetHeightAndDistanceFromTheOtherEnd) {
    const int q = b.Point("Q", 0, 0);  // no coordinates: the length must come from an observation
    b.Obs(p, p, KindInstrument, 1.45);
    b.Obs(q, q, KindTargetHeight, 2.0);  // the target's own entry
    b.Obs(q, p, KindSlope, 802.5);       // slope distance measured back from the target
    const double zenith = 1.52;
    b.Obs(p, q, KindZenith, zenith);
    ASSERT_EQ(ComputeTrigHeights(net, b.ui()), 1);
    const double alpha = 1.570796327 - zenith;
    const int o = FindObservation(net, p, q, KindTrigHeight);
    ASSERT_NE(o, 0);
    EXPECT_NEAR(net.Obs(o).value, ExpectedRise(802.5 * std::cos(alpha), alpha, 1.45, 2.0, 0.14), 1e-9);
}

TEST_F(TrigHeightTest, MissingIngredientsStopWithAMessageNamingThePointIndices) {
    b.Obs(p, t, KindVertical, 0.01);
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    const int i = b.Obs(p, p, KindInstrument, 0.0);  // an instrument height of 0 counts as missing
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.Obs(i).value = 1.5;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    b.Obs(p, t, KindTargetHeight, 1.7);
    net.Point(t).x = 0.0;  // no coordinates and no distance
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_EQ(b.ui().Texts(), (std::vector<std::string>{"测站1无仪器高", "测站1无仪器高", "站1的2无照准高",
                                                          "无法得到站1到2的距离"}));
    EXPECT_EQ(b.ui().messages[0].kind, MsgInfo);

    // No room left for a new record.
    net.Point(t).x = 2000.0;
    b.ui().messages.clear();
    net.hdr.capacityStep = 3;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    ASSERT_FALSE(b.ui().messages.empty());
    EXPECT_EQ(b.ui().messages.back().text, "站1到2的高差已无存放空间");
}

TEST_F(TrigHeightTest, SteepSightStopsSilentlyAndRejectedAnglesAreIgnored) {
    b.Obs(p, t, KindVertical, 0.3, ClassKept);  // not a class that is converted
    b.Obs(p, t, KindZenith, 0.5);               // 1.07 rad above the horizon
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_TRUE(b.ui().messages.empty());
    EXPECT_EQ(CountTrig(p, t), 0);
}

}  // namespace
}  // namespace quenvar
