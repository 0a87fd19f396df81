#include "approx/intersections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

constexpr double Pi = 3.14159265358979323846;

class IntersectionTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int a = b.Point("A", 10, 10);
    int q = b.Point("Q", 10, 110);
    int u = b.Point("U", 0, 0);

    void Locus(int record, int kind, int ref, int ref2, double value) {
        StationRec& r = net.Station(record);
        SetLocusRef(r, ref);
        SetLocus(r, kind, ref2);
        r.locusValue = value;
    }
    void ExpectFixedAt(double x, double y) {
        EXPECT_EQ(FixStateOf(net.Point(u)), FixComputed);
        EXPECT_NEAR(net.Point(u).x, x, 1e-9);
        EXPECT_NEAR(net.Point(u).y, y, 1e-9);
    }
};

TEST_F(IntersectionTest, RaysMeetWhereTheyCrossAndNotBehindOrWhenParallel) {
    net.Point(a).x = net.Point(a).y = 0.0;  // the solvers read the reference coordinates as they are
    net.Point(q).x = 0.0;
    net.Point(q).y = 100.0;
    Locus(u, LocusRay, a, 0, Pi / 4);
    Locus(0, LocusRay, q, 0, 7 * Pi / 4);
    Workspace w(net);
    EXPECT_EQ(IntersectRays(w, u), 5);
    ExpectFixedAt(50, 50);

    SetFixState(net.Point(u), FixNone);
    net.Point(u).x = net.Point(u).y = 0.0;
    Locus(0, LocusRay, q, 0, Pi / 4);
    EXPECT_EQ(IntersectRays(w, u), 0);  // parallel
    Locus(u, LocusRay, a, 0, 5 * Pi / 4);
    Locus(0, LocusRay, q, 0, 7 * Pi / 4);
    EXPECT_EQ(IntersectRays(w, u), 0);  // the crossing lies behind A
    EXPECT_EQ(net.Point(u).x, 0.0);
}

TEST_F(IntersectionTest, RayAndCircle) {
    Workspace w(net);
    // A ray leaving the centre reaches the circle at the radius.
    Locus(u, LocusCircle, a, 0, 30.0);
    Locus(0, LocusRay, a, 0, Pi / 2);
    EXPECT_EQ(IntersectRayCircle(w, u), 5);
    ExpectFixedAt(10, 40);

    // Ray north from A through a circle about (60, 40) of radius 50: foot of the perpendicular
    // 50 m ahead, half chord 40 m, so the crossings lie 90 m and 10 m ahead.
    const int c = b.Point("C", 60, 40);
    const int v = b.Point("V", 0, 0);
    Workspace w2(net);
    Locus(v, LocusRay, a, 0, 0.0);
    Locus(0, LocusCircle, c, 0, 50.0);
    EXPECT_EQ(IntersectRayCircle(w2, v), 2);
    EXPECT_EQ(FixStateOf(net.Point(v)), FixDouble);
    float xs[2], ys[2];  // the candidates as laid out in the bytes of x and y
    std::memcpy(xs, &net.Point(v).x, 8);
    std::memcpy(ys, &net.Point(v).y, 8);
    EXPECT_EQ(xs[0], 100.0f);
    EXPECT_EQ(xs[1], 20.0f);
    EXPECT_EQ(ys[0], 10.0f);
    EXPECT_EQ(ys[1], 10.0f);

    // The near crossing only 0.05 m ahead of the ray's origin does not count.
    const int n = b.Point("N", 0, 0);
    const int c2 = b.Point("C2", 10 + 45.025, 10);
    Workspace w3(net);
    Locus(n, LocusCircle, c2, 0, 44.975);
    Locus(0, LocusRay, a, 0, 0.0);
    EXPECT_EQ(IntersectRayCircle(w3, n), 5);
    EXPECT_NEAR(net.Point(n).x, 100.0, 1e-9);

    // A ray that passes the circle by gives nothing.
    Locus(n, LocusCircle, c, 0, 5.0);
    SetFixState(net.Point(n), FixNone);
    EXPECT_EQ(IntersectRayCircle(w3, n), 0);
}

TEST_F(IntersectionTest, TangentCirclesLeaveTwoEqualCandidates) {
    const int e = b.Point("E", 110, 10);
    Workspace w(net);
    Locus(u, LocusCircle, a, 0, 50.0);
    Locus(0, LocusCircle, e, 0, 50.0);
    EXPECT_EQ(IntersectCircles(w, u), 2);
    GeoPoint c1, c2;
    LoadCandidates(net.Point(u), c1, c2);
    EXPECT_NEAR(c1.x, 60.0, 1e-4);
    EXPECT_NEAR(c2.x, 60.0, 1e-4);
    EXPECT_NEAR(c1.y, 10.0, 1e-4);
    EXPECT_NEAR(c2.y, 10.0, 1e-4);
    // Concentric or far apart circles do not meet.
    Locus(0, LocusCircle, a, 0, 20.0);
    SetFixState(net.Point(u), FixNone);
    EXPECT_EQ(IntersectCircles(w, u), 0);
    Locus(0, LocusCircle, e, 0, 49.0);
    EXPECT_EQ(IntersectCircles(w, u), 0);
}

TEST_F(IntersectionTest, AngleCircleThroughBothPoints) {
    StationRec r{};
    GeoPoint c;
    // A right angle: Thales' circle on PQ.
    SetLocusRef(r, a);
    SetLocus(r, LocusAngleCircle, q);
    r.locusValue = Pi / 2;
    ASSERT_TRUE(AngleCircle(net, r, c));
    EXPECT_NEAR(c.x, 10, 1e-9);
    EXPECT_NEAR(c.y, 60, 1e-9);
    EXPECT_NEAR(c.value, 50, 1e-9);
    // 30 degrees: radius |PQ| / (2 sin 30) = 100, centre south of PQ on its perpendicular bisector.
    r.locusValue = Pi / 6;
    ASSERT_TRUE(AngleCircle(net, r, c));
    EXPECT_NEAR(c.value, 100, 1e-9);
    EXPECT_NEAR(c.x, 10 - 100 * std::cos(Pi / 6), 1e-7);
    EXPECT_NEAR(c.y, 60, 1e-7);
    r.locusValue = 0.0;
    EXPECT_FALSE(AngleCircle(net, r, c));

    // The point 100 m further south sees Q 30 degrees clockwise from P; its mirror image north of
    // PQ sees 330 degrees; P itself is too close to see anything.
    r.locusValue = Pi / 6;
    const GeoPoint south{c.x - 100, 60, 0}, north{10 + 100 * std::cos(Pi / 6) + 100, 60, 0}, atP{10, 10, 0};
    EXPECT_EQ(CheckAngleCandidates(net, r, south, north), -1);
    EXPECT_EQ(CheckAngleCandidates(net, r, north, south), 1);
    EXPECT_EQ(CheckAngleCandidates(net, r, atP, south), 1);
    EXPECT_EQ(CheckAngleCandidates(net, r, south, south), 0);
    SetLocus(r, LocusCircle, 0);
    EXPECT_EQ(CheckAngleCandidates(net, r, north, south), 0);
}

TEST_F(IntersectionTest, SecondDoubleSolutionTakesTheCandidateNearAStoredOne) {
    const int own = b.Obs(u, a, KindDistance, 1.0);
    const int aimed = b.Obs(a, u, KindDistance, 1.0);
    SetStateBits(net.Obs(own), 4);
    SetStateBits(net.Obs(aimed), 4);
    Workspace w(net);
    EXPECT_EQ(KeepDoubleSolution(w, u, {100, 10, 0}, {20, 10, 0}), 2);
    EXPECT_EQ(KeepDoubleSolution(w, u, {500, 500, 0}, {20.001, 10.001, 0}), 5);
    ExpectFixedAt(20.001, 10.001);
    // The marked observation of u's own chain is released before one aimed at u.
    EXPECT_EQ(StateBits(net.Obs(own)), 0);
    EXPECT_EQ(StateBits(net.Obs(aimed)), 4);
}

}  // namespace
}  // namespace quenvar
