// Weights by kind and class, observation rows and their misclosures, and the equation count.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/normal_equations.h"
#include "adjust/observation_rows.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

class WeightTest : public ::testing::Test {
protected:
    void Number() {
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
    }
    float W(int o) const { return WeightOf(net, o); }

    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0;
};

TEST_F(WeightTest, PlaneWeightsByKindAndClass) {
    NetHeader& h = net.hdr;
    h.dirSigma = 2e-5f;
    h.dirSigma4 = 4e-5f;
    h.distSigmaConst = 0.002f;
    h.distSigmaPpm = 2.0f;
    h.distSigmaConst4 = 0.004f;
    const int a = b.Point("A", 1000, 1000, 0, 1);
    const int f = b.Point("F", 1000, 1500, 0, 1);
    const int p = b.Point("P", 1500, 1000);
    const int q = b.Point("Q", 1500, 1500);
    const int dir0 = b.Obs(p, a, KindDirection, -0.5);
    const int dir1 = b.Obs(p, q, KindDirection, 1.0, ClassFixed);
    const int dir4 = b.Obs(p, f, KindDirection, 2.0, ClassSpecial);
    const int dist0 = b.Obs(p, q, KindDistance, 500.0);
    const int dist1 = b.Obs(p, a, KindDistance, 500.0, ClassFixed);
    const int dist4 = b.Obs(p, f, KindDistance, 707.0, ClassSpecial);
    const int fixedDist = b.Obs(a, f, KindDistance, 500.0);
    const int fixedDir = b.Obs(a, f, KindDirection, 0.3);
    const int kept = b.Obs(q, a, KindDistance, 707.0, ClassKept);
    Number();
    const double s0 = h.dirSigma;
    EXPECT_EQ(W(dir0), 1.0f);
    EXPECT_DOUBLE_EQ(net.Obs(dir0).value, FullCircle - 0.5);
    EXPECT_EQ(W(dir1), 1000000.0f);
    EXPECT_FLOAT_EQ(W(dir4), float((s0 / h.dirSigma4) * (s0 / h.dirSigma4)));
    const double m0 = double(h.distSigmaConst) + 2.0 * 500.0 * 1e-6;
    EXPECT_FLOAT_EQ(W(dist0), float((s0 / m0) * (s0 / m0)));
    EXPECT_FLOAT_EQ(W(dist1), float((s0 * 1000 / m0) * (s0 * 1000 / m0)));
    EXPECT_FLOAT_EQ(W(dist4), float((s0 / h.distSigmaConst4) * (s0 / h.distSigmaConst4)));
    EXPECT_EQ(W(fixedDist), 0.0f);
    EXPECT_EQ(W(fixedDir), 1.0f);
    EXPECT_EQ(W(kept), 0.0f);
    // Two unknown points; pairs with an unknown point: P-A, P-Q, P-F.
    EXPECT_EQ(h.ellipseCount, 2 + 3);
}

TEST_F(WeightTest, ClassFiveRecordWeighsTheNeighbouringReading) {
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    const int a = b.Point("A", 1000, 1000, 0, 1);
    const int p = b.Point("P", 1500, 1000);
    const int before = b.Obs(p, a, KindDistance, 500.0);
    const int record = b.Obs(p, a, KindDistance, 0.01, ClassSigma);
    const int recordFirst = b.Obs(a, p, KindDirection, 0.0002, ClassSigma);
    const int after = b.Obs(a, p, KindDirection, 1.0);
    b.Obs(a, p, KindDirection, 1.2);
    const int useless = b.Obs(p, a, KindAzimuth, 0.0, ClassSigma);
    const int az = b.Obs(p, a, KindAzimuth, 3.0);
    Number();
    EXPECT_FLOAT_EQ(W(before), float(1e-10 / 1e-4));
    EXPECT_FLOAT_EQ(W(after), float(1e-10 / 4e-8));
    EXPECT_EQ(W(record), 0.0f);
    EXPECT_EQ(W(recordFirst), 0.0f);
    EXPECT_EQ(W(useless), 0.0f);
    EXPECT_EQ(W(az), 1.0f);
    // The pair A-P is never counted: at A the first reading was weighted by the record and is
    // not visited, the second finds it before itself, and P's distance finds A's readings.
    EXPECT_EQ(net.hdr.ellipseCount, 1);
}

TEST_F(WeightTest, HeightWeightsFromLineMeasuresAndSightLengths) {
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.002f;
    net.hdr.levelSigma4 = 0.004f;
    net.hdr.trigHeightSigma = 0.03f;
    net.hdr.trigHeightSigma4 = 0.05f;
    const int a = b.Point("A", 1000, 1000, 100.0, 0, 1);
    const int p = b.Point("P", 1300, 1400, 101.0);
    const int q = b.Point("Q", 0, 0, 102.0);
    const int r = b.Point("R", 0, 0, 103.0);
    const int setups = b.Obs(a, p, KindLevelled, 1.0);
    b.Obs(a, p, KindSetups, 4.0);
    const int reverse = b.Obs(q, a, KindLevelled, -2.0, ClassSpecial);
    b.Obs(a, q, KindLineLength, 2500.0);
    const int bare = b.Obs(q, r, KindLevelled, 1.0);
    const int trigDist = b.Obs(p, q, KindTrigHeight, 1.0);
    b.Obs(q, p, KindDistance, 600.0);
    const int trigCoords = b.Obs(a, p, KindTrigHeight, 1.0, ClassFixed);
    const int trigNone = b.Obs(r, q, KindTrigHeight, -1.0, ClassSpecial);
    Number();
    EXPECT_FLOAT_EQ(W(setups), 0.25f);
    EXPECT_FLOAT_EQ(W(reverse), float(0.25 / 2.5));
    EXPECT_FLOAT_EQ(W(bare), 1.0f);
    const double s0 = net.hdr.levelSigma;
    const double t0 = s0 / net.hdr.trigHeightSigma;
    EXPECT_FLOAT_EQ(W(trigDist), float(t0 * t0 / (600.0 * 600.0) * 1e6));
    EXPECT_FLOAT_EQ(W(trigCoords), float(t0 * t0 * 1e6 / (500.0 * 500.0) * 1e6));
    const double t4 = s0 / net.hdr.trigHeightSigma4;
    EXPECT_FLOAT_EQ(W(trigNone), float(t4 * t4 / 1e6 * 1e6));
}

TEST_F(WeightTest, AngularMisclosuresAreWrappedTowardsZero) {
    const int s = b.Point("S", 1000, 1000);
    const int t = b.Point("T", 1500, 999.99);  // azimuth just below the full circle
    map = {-1, 0, 1};
    WorkRow row;
    ASSERT_TRUE(row.Allocate(2));
    DirectionChain chain;
    ASSERT_EQ(ObservationRow(net, map, nullptr, row, KindAzimuth, true, s, t, chain, 0.0001, false), 1);
    const double az = NormalizeAngle(std::atan2(-0.01, 500.0));
    EXPECT_NEAR(row.Value(3), az - FullCircle - 0.0001, 1e-12);
    row.Clear();
    net.Station(s).orientation = 6.2;
    ASSERT_EQ(ObservationRow(net, map, nullptr, row, KindDirection, true, s, t, chain, 6.2, false), 1);
    EXPECT_NEAR(row.Value(3), NormalizeAngle(az - 6.2) - 6.2 + FullCircle, 1e-12);
    EXPECT_GT(row.Value(3), -0.01);
    EXPECT_EQ(WrapAngularMisclosure(6.0), 6.0);
    EXPECT_EQ(WrapAngularMisclosure(-6.1), -6.1 + FullCircle);
}

TEST_F(WeightTest, AngleModeFormsOneAngleBetweenNeighbouringDirections) {
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    const int s = b.Point("S", 1000, 1000, 0, 1);
    const int t1 = b.Point("T1", 2000, 1000, 0, 1);  // due north
    const int t2 = b.Point("T2", 1000, 2000);        // due east
    const int t3 = b.Point("T3", 10, 1000.5);        // nearly due south
    b.Obs(s, t1, KindDirection, 0.0);
    b.Obs(s, t2, KindDirection, 1.5708);
    b.Obs(s, t3, KindDirection, 3.1416);
    b.Obs(t2, t3, KindDistance, 1400.0);
    Number();
    ASSERT_EQ(n, 4);
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(n + 1));
    EXPECT_EQ(FormNormalEquations(net, m, n, map, true), 2 + 1);

    WorkRow row;
    ASSERT_TRUE(row.Allocate(n));
    DirectionChain chain;
    EXPECT_EQ(ObservationRow(net, map, nullptr, row, KindDirection, true, s, t1, chain, 0.0, true), 0);
    EXPECT_TRUE(row.Places().empty());
    chain.notFirst = true;
    // Angle T1-T2: only T2 is unknown; b = dY / S^2, a = -dX / S^2.
    ASSERT_EQ(ObservationRow(net, map, nullptr, row, KindDirection, true, s, t2, chain, 1.5708, true), 1);
    EXPECT_NEAR(row.Value(1), 0.001, 1e-15);
    EXPECT_EQ(row.Value(2), 0.0);
    EXPECT_EQ(row.Value(3), 0.0);
    EXPECT_NEAR(row.Value(n + 1), HalfCircle / 2 - 1.5708, 1e-9);  // wrapped back from near 2pi
    row.Clear();
}

TEST_F(WeightTest, LoneDirectionDropsOutAndFixedPairsFollowTheirKind) {
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
    const int a = b.Point("A", 1000, 1000, 0, 1);
    const int f = b.Point("F", 1000, 2000, 0, 1);
    const int p = b.Point("P", 2000, 1500);
    const int lone = b.Obs(p, a, KindDirection, 1.0);
    b.Obs(a, f, KindDirection, 0.0);
    b.Obs(a, p, KindDirection, 0.4);
    b.Obs(f, p, KindDirection, 0.0);
    b.Obs(f, a, KindDirection, 1.0);
    b.Obs(p, f, KindDistance, 1118.0);
    b.Obs(a, f, KindDistance, 1000.0);
    Number();
    EXPECT_EQ(W(lone), 1.0f);
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(n + 1));
    // Four directions at A and F (A-F kept with zero coefficients), less two orientations, and
    // one distance; the lone direction and the fixed distance are left out.
    EXPECT_EQ(FormNormalEquations(net, m, n, map, false), 4 - 2 + 1);
    EXPECT_EQ(W(lone), 0.0f);
}

}  // namespace
}  // namespace quenvar
