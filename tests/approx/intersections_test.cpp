#include "approx/intersections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

class IntersectionTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int a = b.Point("A", 10, 10);
    int q = b.Point("Q", 10, 110);
    int u = b.Point("U", 0, 0);

    void Locus(int record, int kind, int ref, double value, int ref2 = 0) {
        SetLocusRef(net.Station(record), ref);
        SetLocus(net.Station(record), kind, ref2);
        net.Station(record).locusValue = value;
    }
};

TEST_F(IntersectionTest, RaysMeetOnlyAheadOfTheirOrigins) {
    // Own ray from A (0, 0), new ray from Q (0, 100): crossing at (50, 50), parallel, behind A.
    struct Case { double own, fresh; int result; };
    const Case cases[] = {{M_PI / 4, 7 * M_PI / 4, 5}, {M_PI / 4, M_PI / 4, 0}, {5 * M_PI / 4, 7 * M_PI / 4, 0}};
    net.Point(a).x = net.Point(a).y = net.Point(q).x = 0.0;
    net.Point(q).y = 100.0;
    Workspace w(net);
    for (const Case& c : cases) {
        SetFixState(net.Point(u), FixNone);
        net.Point(u).x = net.Point(u).y = 0.0;
        Locus(u, LocusRay, a, c.own);
        Locus(0, LocusRay, q, c.fresh);
        EXPECT_EQ(IntersectRays(w, u), c.result) << c.own << " " << c.fresh;
        EXPECT_NEAR(net.Point(u).x, c.result ? 50.0 : 0.0, 1e-9);
        EXPECT_NEAR(net.Point(u).y, c.result ? 50.0 : 0.0, 1e-9);
        EXPECT_EQ(FixStateOf(net.Point(u)), c.result ? FixComputed : FixNone);
    }
}

TEST_F(IntersectionTest, RayAndCircle) {
    const int c = b.Point("C", 60, 40);
    Workspace w(net);
    Locus(u, LocusCircle, a, 30.0);
    Locus(0, LocusRay, a, M_PI / 2);  // from the centre: the point lies at the radius
    EXPECT_EQ(IntersectRayCircle(w, u), 5);
    EXPECT_NEAR(net.Point(u).y, 40.0, 1e-9);
    // North from A through the circle about (60, 40), r = 50: foot 50 m ahead, half chord 40 m.
    SetFixState(net.Point(u), FixNone);
    Locus(u, LocusRay, a, 0.0);
    Locus(0, LocusCircle, c, 50.0);
    EXPECT_EQ(IntersectRayCircle(w, u), 2);
    EXPECT_EQ(FixStateOf(net.Point(u)), FixDouble);
    float xs[2], ys[2];  // candidates as 4-byte floats: X1 X2 in x, Y1 Y2 in y
    std::memcpy(xs, &net.Point(u).x, 8);
    std::memcpy(ys, &net.Point(u).y, 8);
    EXPECT_EQ(xs[0], 100.0f);
    EXPECT_EQ(xs[1], 20.0f);
    EXPECT_EQ(ys[0], 10.0f);
    EXPECT_EQ(ys[1], 10.0f);
}

TEST_F(IntersectionTest, TangentCirclesLeaveTwoEqualCandidates) {
    Workspace w(net);
    Locus(u, LocusCircle, a, 50.0);
    Locus(0, LocusCircle, b.Point("E", 110, 10), 50.0);
    EXPECT_EQ(IntersectCircles(w, u), 2);
    GeoPoint c1, c2;
    LoadCandidates(net.Point(u), c1, c2);
    for (const GeoPoint& c : {c1, c2}) {
        EXPECT_NEAR(c.x, 60.0, 1e-4);
        EXPECT_NEAR(c.y, 10.0, 1e-4);
    }
}

TEST_F(IntersectionTest, AngleCircleAndTheAngleTest) {
    StationRec r{};
    SetLocusRef(r, a);
    SetLocus(r, LocusAngleCircle, q);
    r.locusValue = M_PI / 2;  // Thales' circle on AQ
    GeoPoint c;
    ASSERT_TRUE(AngleCircle(net, r, c));
    EXPECT_NEAR(c.x, 10, 1e-9);
    EXPECT_NEAR(c.y, 60, 1e-9);
    EXPECT_NEAR(c.value, 50, 1e-9);
    r.locusValue = 0.0;
    EXPECT_FALSE(AngleCircle(net, r, c));
    // 30 degrees: the point 186.6 m south of AQ's middle sees Q 30 degrees clockwise from A, its
    // mirror image north of AQ sees 330 degrees, and A itself is too close to see anything.
    r.locusValue = M_PI / 6;
    const double off = 100 + 50 * std::sqrt(3.0);
    const GeoPoint south{10 - off, 60, 0}, north{10 + off, 60, 0}, atA{10, 10, 0};
    EXPECT_EQ(CheckAngleCandidates(net, r, south, north), -1);
    EXPECT_EQ(CheckAngleCandidates(net, r, north, south), 1);
    EXPECT_EQ(CheckAngleCandidates(net, r, atA, south), 1);
    EXPECT_EQ(CheckAngleCandidates(net, r, south, south), 0);
}

}  // namespace
}  // namespace quenvar
