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
    void Reset() {
        SetFixState(net.Point(u), FixNone);
        net.Point(u).x = net.Point(u).y = 0.0;
    }
};

TEST_F(IntersectionTest, Rays) {
    net.Point(a).x = net.Point(a).y = net.Point(q).x = 0.0;  // A (0, 0), Q (0, 100)
    net.Point(q).y = 100.0;
    Workspace w(net);
    Locus(u, LocusRay, a, M_PI / 4);
    Locus(0, LocusRay, q, 7 * M_PI / 4);
    EXPECT_EQ(IntersectRays(w, u), 5);
    EXPECT_EQ(FixStateOf(net.Point(u)), FixComputed);
    EXPECT_NEAR(net.Point(u).x, 50.0, 1e-9);
    EXPECT_NEAR(net.Point(u).y, 50.0, 1e-9);
    Reset();
    Locus(0, LocusRay, q, M_PI / 4);
    EXPECT_EQ(IntersectRays(w, u), 0);  // parallel
    Locus(u, LocusRay, a, 5 * M_PI / 4);
    Locus(0, LocusRay, q, 7 * M_PI / 4);
    EXPECT_EQ(IntersectRays(w, u), 0);  // crossing behind A
}

TEST_F(IntersectionTest, RayAndCircle) {
    const int c = b.Point("C", 60, 40);
    Workspace w(net);
    Locus(u, LocusCircle, a, 30.0);
    Locus(0, LocusRay, a, M_PI / 2);  // from the centre: the point lies at the radius
    EXPECT_EQ(IntersectRayCircle(w, u), 5);
    EXPECT_NEAR(net.Point(u).y, 40.0, 1e-9);
    // North from A through the circle about (60, 40), r = 50: foot 50 m ahead, half chord 40 m.
    Reset();
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
    const int e = b.Point("E", 110, 10);
    Workspace w(net);
    Locus(u, LocusCircle, a, 50.0);
    Locus(0, LocusCircle, e, 50.0);
    EXPECT_EQ(IntersectCircles(w, u), 2);
    GeoPoint c1, c2;
    LoadCandidates(net.Point(u), c1, c2);
    EXPECT_NEAR(c1.x, 60.0, 1e-4);
    EXPECT_NEAR(c2.x, 60.0, 1e-4);
    EXPECT_NEAR(c1.y, 10.0, 1e-4);
    EXPECT_NEAR(c2.y, 10.0, 1e-4);
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
}

TEST_F(IntersectionTest, SecondDoubleSolutionTakesTheCandidateNearAStoredOne) {
    const int own = b.Obs(u, a, KindDistance, 1.0);
    const int aimed = b.Obs(a, u, KindDistance, 1.0);
    SetStateBits(net.Obs(own), 4);
    SetStateBits(net.Obs(aimed), 4);
    Workspace w(net);
    EXPECT_EQ(KeepDoubleSolution(w, u, {100, 10, 0}, {20, 10, 0}), 2);
    EXPECT_EQ(KeepDoubleSolution(w, u, {500, 500, 0}, {20.001, 10.001, 0}), 5);
    EXPECT_EQ(net.Point(u).x, 20.001);
    EXPECT_EQ(FixStateOf(net.Point(u)), FixComputed);
    EXPECT_EQ(StateBits(net.Obs(own)), 0);  // u's own chain is searched first
    EXPECT_EQ(StateBits(net.Obs(aimed)), 4);
}

}  // namespace
}  // namespace quenvar
