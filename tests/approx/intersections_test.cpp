#include "approx/intersections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "approx/propagation.h"
#include "tests/support/network_builder.h"

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

}  // namespace
}  // namespace quenvar
