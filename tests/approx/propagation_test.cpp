// Where two loci of a point meet, the records the propagation must pass over (a-priori error
// records, verbatim and rejected observations) and repeated directions at an unoriented
// station.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "approx/calculate.h"
#include "approx/intersections.h"
#include "approx/propagation.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

class IntersectionTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int o = b.Point("O", 0, 0), n = b.Point("N", 0, 100), a = b.Point("A", 10, 10), q = b.Point("Q", 10, 110);
    int c = b.Point("C", 60, 40), e = b.Point("E", 110, 10), u = b.Point("U", 0, 0);

    void Locus(int record, int kind, int ref, int ref2, double value) {
        SetLocusRef(net.Station(record), ref);
        SetLocus(net.Station(record), kind, ref2);
        net.Station(record).locusValue = value;
    }
};

TEST_F(IntersectionTest, SecondLocusFixesThePointOrLeavesTwoCandidates) {
    struct Case { int ownKind, ownRef, ownRef2; double ownValue; int newKind, newRef; double newValue; int result; double x1, y1, x2, y2; };
    const Case cases[] = {
        {LocusRay, o, 0, M_PI / 4, LocusRay, n, 7 * M_PI / 4, 5, 50, 50, 0, 0},
        {LocusRay, o, 0, M_PI / 4, LocusRay, n, M_PI / 4, 0, 0, 0, 0, 0},          // parallel
        {LocusRay, o, 0, 5 * M_PI / 4, LocusRay, n, 7 * M_PI / 4, 0, 0, 0, 0, 0},  // crossing behind O
        {LocusCircle, a, 0, 30, LocusRay, a, M_PI / 2, 5, 10, 40, 0, 0},         // ray from the centre
        // North from A through the circle about C: foot of the perpendicular 50 m ahead, half chord 40 m.
        {LocusRay, a, 0, 0, LocusCircle, c, 50, 2, 100, 10, 20, 10},
        {LocusCircle, a, 0, 50, LocusCircle, e, 50, 2, 60, 10, 60, 10},  // tangent
        {LocusCircle, a, 0, 50, LocusCircle, q, 30, 0, 0, 0, 0, 0},
        // AQ seen under a right angle: Thales' circle about (10, 60) of radius 50; of its points
        // 70.7 m from A, (60, 60) sees Q 3 pi/2 clockwise from A and is rejected.
        {LocusAngleCircle, a, q, M_PI / 2, LocusCircle, a, 50 * std::sqrt(2.0), 5, -40, 60, 0, 0},
    };
    for (const Case& t : cases) {
        SetFixState(net.Point(u), FixNone);
        net.Point(u).x = net.Point(u).y = 0.0;
        Workspace w(net);
        Locus(u, t.ownKind, t.ownRef, t.ownRef2, t.ownValue);
        Locus(0, t.newKind, t.newRef, 0, t.newValue);
        ASSERT_EQ(MergeLocus(w, u), t.result) << &t - cases;
        EXPECT_EQ(FixStateOf(net.Point(u)), t.result == 5 ? FixComputed : t.result == 2 ? FixDouble : FixNone);
        float xs[2], ys[2];  // the candidates as 4-byte floats: X1 X2 in x, Y1 Y2 in y
        std::memcpy(xs, &net.Point(u).x, 8);
        std::memcpy(ys, &net.Point(u).y, 8);
        const double got[] = {xs[0], ys[0], xs[1], ys[1]};
        const double want[] = {t.x1, t.y1, t.x2, t.y2};
        for (int k = 0; k < 4 && t.result == 2; ++k) EXPECT_NEAR(got[k], want[k], 1e-4) << &t - cases;
        EXPECT_NEAR(+net.Point(u).x, t.result == 2 ? +net.Point(u).x : t.x1, 1e-9) << &t - cases;
        EXPECT_NEAR(+net.Point(u).y, t.result == 2 ? +net.Point(u).y : t.y1, 1e-9) << &t - cases;
    }
}


// Known K1 (1000, 1000) and K2 due east of it; P at 500 m from K1 in the direction of
// (1300, 1400), fixed by a direction and a distance from K1. A record of class `recordClass`
// of kind distance with the value 0.003 m comes before the distance when recordClass >= 0.
int DirectionAndDistance(Network& net, int recordClass, int distanceClass = ClassOrdinary) {
    testing::NetworkBuilder b(net);
    const int k1 = b.Point("K1", 1000, 1000, 0, 1), k2 = b.Point("K2", 1000, 2000, 0, 1), p = b.Point("P", 0, 0);
    b.Obs(k1, k2, KindDirection, 1.5707963267948966);
    b.Obs(k1, p, KindDirection, std::atan2(400.0, 300.0));
    if (recordClass >= 0) b.Obs(k1, p, KindDistance, 0.003, recordClass);
    b.Obs(k1, p, KindDistance, 500.0, distanceClass);
    return p;
}

TEST(PropagationTest, ErrorRecordsAndSetAsideObservationsGiveNoLocus) {
    // A planned distance is used: a design network gets its starts from planned observations.
    for (const int cls : {int(ClassVerbatim), int(ClassSigma), int(ClassRejected), -1}) {
        Network net;
        const int p = cls < 0 ? DirectionAndDistance(net, -1, ClassPlanned) : DirectionAndDistance(net, cls);
        testing::RecordingMessenger ui;
        ASSERT_EQ(Calculate(net, ui), 1);
        EXPECT_NEAR(net.Point(p).x, 1300.0, 1e-9) << cls;
        EXPECT_NEAR(net.Point(p).y, 1400.0, 1e-9) << cls;
    }
}

// Unknown R at (2000, 2000) with directions (circle zero in azimuth 0.4) to the known K1, K2,
// K3, the first one repeated when `repeat` is set.
int Resection(Network& net, bool repeat) {
    testing::NetworkBuilder b(net);
    const double known[3][2] = {{3000, 2100}, {1900, 3200}, {1200, 1300}};
    const int r = b.Point("R", 0, 0);
    for (int k = 0; k < 3; ++k) b.Point("K" + std::to_string(k + 1), known[k][0], known[k][1], 0, 1);
    for (int k = 0; k < 3; ++k) {
        const double az = std::atan2(known[k][1] - 2000.0, known[k][0] - 2000.0);
        b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4));
        if (k == 0 && repeat) b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4 + 2e-6));
    }
    return r;
}

TEST(PropagationTest, RepeatedDirectionAtAnUnorientedStationStillGivesAResection) {
    Network net;
    const int r = Resection(net, true);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_TRUE(HasPlaneCoords(net, r));
    EXPECT_NEAR(net.Point(r).x, 2000.0, 1e-6);
    EXPECT_NEAR(net.Point(r).y, 2000.0, 1e-6);
    EXPECT_TRUE(ui.Texts().empty());
}

// Networks without such records or repetitions keep their results to the last bit: the
// digests were taken from the calculation before the change.
TEST(PropagationTest, OtherNetworksKeepTheirResults) {
    Network plain;
    DirectionAndDistance(plain, -1);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(plain, ui), 1);
    EXPECT_EQ(testing::ResultDigest(plain), 0x370677232956AB5Full);
    Network resection;
    Resection(resection, false);
    ASSERT_EQ(Calculate(resection, ui), 1);
    EXPECT_EQ(testing::ResultDigest(resection), 0x8889066623086B9Dull);
}

}  // namespace
}  // namespace quenvar
