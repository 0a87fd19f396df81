// Weights of the height network and the equation counts of direction and angle mode.
#include <gtest/gtest.h>


#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

struct Weighted {
    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0;
    void Number() {
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
    }
    float W(int o) const { return WeightOf(net, o); }
};

TEST(WeightTest, HeightWeightsFromLineMeasuresAndSightLengths) {
    Weighted t;
    NetHeader& h = t.net.hdr;
    h.heightMode = 1;
    h.levelSigma = 0.002f;
    h.levelSigma4 = 0.004f;
    h.trigHeightSigma = 0.03f;
    h.trigHeightSigma4 = 0.05f;
    const int a = t.b.Point("A", 1000, 1000, 100.0, 0, 1), p = t.b.Point("P", 1300, 1400, 101.0);
    const int q = t.b.Point("Q", 0, 0, 102.0), r = t.b.Point("R", 0, 0, 103.0);
    const int setups = t.b.Obs(a, p, KindLevelled, 1.0);
    t.b.Obs(a, p, KindSetups, 4.0);
    const int reverse = t.b.Obs(q, a, KindLevelled, -2.0, ClassSpecial);
    t.b.Obs(a, q, KindLineLength, 2500.0);
    const int bare = t.b.Obs(q, r, KindLevelled, 1.0);
    const int trigDist = t.b.Obs(p, q, KindTrigHeight, 1.0);
    t.b.Obs(q, p, KindDistance, 600.0);
    const int trigCoords = t.b.Obs(a, p, KindTrigHeight, 1.0, ClassFixed);
    const int trigNone = t.b.Obs(r, q, KindTrigHeight, -1.0, ClassSpecial);
    t.b.Obs(p, r, KindDistance, 10.0, ClassPlanned);  // planned, of the other network kind
    t.Number();
    EXPECT_FLOAT_EQ(t.W(setups), 0.25f);
    EXPECT_FLOAT_EQ(t.W(reverse), float(0.25 / 2.5));
    EXPECT_FLOAT_EQ(t.W(bare), 1.0f);
    const double t0 = h.levelSigma / h.trigHeightSigma, t4 = h.levelSigma / h.trigHeightSigma4;
    EXPECT_FLOAT_EQ(t.W(trigDist), float(t0 * t0 / (600.0 * 600.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigCoords), float(t0 * t0 * 1e6 / (500.0 * 500.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigNone), float(t4 * t4 / 1e6 * 1e6));
    // Three unknown points and the pairs A-P, Q-A, Q-R, P-Q and the planned P-R.
    EXPECT_EQ(h.ellipseCount, 3 + 5);
}

// Direction mode: a direction between fixed points stays for its station's orientation, a
// lone direction drops out for good, a distance between fixed points counts as a check. Angle
// mode: k directions give k - 1 angles.
TEST(WeightTest, EquationCounts) {
    Weighted t;
    t.net.hdr.dirSigma = 1e-5f;
    t.net.hdr.distSigmaConst = 0.002f;
    const int a = t.b.Point("A", 1000, 1000, 0, 1), f = t.b.Point("F", 1000, 2000, 0, 1), p = t.b.Point("P", 2000, 1500);
    const int lone = t.b.Obs(p, a, KindDirection, 1.0);
    for (const auto& [from, to] : {std::pair{a, f}, {a, p}, {f, p}, {f, a}}) t.b.Obs(from, to, KindDirection, 0.3);
    t.b.Obs(p, f, KindDistance, 1118.0);
    t.b.Obs(a, f, KindDistance, 1000.0);
    t.Number();
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(t.n + 1));
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, false), 4 - 2 + 1 + 1);
    EXPECT_EQ(t.W(lone), 0.0f);
    t.b.Obs(a, p, KindDirection, 0.5);
    t.Number();
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, true), (3 - 1) + (2 - 1) + 1 + 1);
}

}  // namespace
}  // namespace quenvar
