#include "closure/loop_closures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "closure/loop_search.h"
#include "geom/angles.h"
#include "tests/closure/closure_networks.h"

namespace quenvar {
namespace {

using namespace testing;

TEST(HeightClosure, ClosedLoopSumsHeightDifferencesAndKilometres) {
    Network net;
    NetworkBuilder b(net);
    for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
    b.Obs(1, 2, KindLevelled, 0.500);
    b.Obs(1, 2, KindLineLength, 800);
    b.Obs(2, 3, KindLevelled, 0.300);
    b.Obs(3, 2, KindLineLength, 1200);  // the length may be stored at the other end
    b.Obs(1, 3, KindLevelled, 0.788);   // observed the other way round: negated
    b.Obs(3, 1, KindLineLength, 1000);
    ClosureLoop loop = MakeLoop({1, 2, 3, 1}, true, LoopHeight);
    ASSERT_EQ(HeightClosure(net, loop), 1);
    EXPECT_NEAR(loop.closure, 0.012, 1e-12);
    EXPECT_NEAR(loop.weightReciprocal, 3.0, 1e-12);
}

TEST(HeightClosure, RouteBetweenFixedPointsRemovesTheirDifferenceAndUnknownStepsCountOneKilometre) {
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 0, 0, 10.000, 0, 1);
    b.Point("u", 0, 0);
    b.Point("B", 0, 0, 12.500, 0, 1);
    b.Obs(1, 2, KindLevelled, 1.200);
    b.Obs(2, 3, KindTrigHeight, 1.310);
    b.Obs(2, 3, KindSetups, 14);  // set-ups are taken as they are
    ClosureLoop loop = MakeLoop({1, 2, 3}, false, LoopHeight);
    ASSERT_EQ(HeightClosure(net, loop), 1);
    EXPECT_NEAR(loop.closure, 2.510 - 2.500, 1e-12);
    EXPECT_NEAR(loop.weightReciprocal, 1.0 + 14.0, 1e-12);

    ClosureLoop tooShort = MakeLoop({1, 2, 1}, true, LoopHeight);
    tooShort.count = 2;
    EXPECT_EQ(HeightClosure(net, tooShort), 0);
}

TEST(StepRouteLength, PrefersLineLengthsThenDistancesThenCoordinates) {
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 100, 100);
    b.Point("B", 100, 700);
    b.Point("C", 0, 0);
    EXPECT_NEAR(StepRouteLength(net, 1, 2), 0.6, 1e-12);  // coordinates
    b.Obs(2, 1, KindSlope, 650);
    EXPECT_NEAR(StepRouteLength(net, 1, 2), 0.65, 1e-12);
    b.Obs(1, 2, KindDistance, 640);
    EXPECT_NEAR(StepRouteLength(net, 1, 2), 0.64, 1e-12);
    b.Obs(2, 1, KindLineLength, 900);
    EXPECT_NEAR(StepRouteLength(net, 1, 2), 0.9, 1e-12);
    EXPECT_EQ(StepRouteLength(net, 1, 3), 1.0);  // C has no coordinates
}

// A closed loop of stations 1..k whose angles (at 1 from k to 2, at i from i-1 to i+1) are
// given in degrees; each station sees its back neighbour at direction 0.
ClosureLoop LoopWithAngles(NetworkBuilder& b, const std::vector<double>& degrees) {
    const int k = int(degrees.size());
    for (int i = 1; i <= k; ++i) b.Point("S" + std::to_string(i), 0, 0);
    std::vector<int16_t> elements;
    for (int i = 1; i <= k; ++i) {
        const int back = i == 1 ? k : i - 1, forward = i == k ? 1 : i + 1;
        b.Obs(i, back, KindDirection, 0.0);
        b.Obs(i, forward, KindDirection, degrees[size_t(i) - 1] * DegToRad);
        elements.push_back(int16_t(i));
    }
    elements.push_back(1);
    return MakeLoop(elements, true, LoopDirection);
}

TEST(DirectionClosure, WrapsLikeTheLimitsSay) {
    struct Case {
        std::vector<double> angles;  // degrees
        double expected;             // radians
    };
    const Case cases[] = {
        {{60, 60, 60.0 + 6.0 / 3600}, 6 * Arcsec},             // triangle closing 6"
        {{300, 300, 290}, -10 * DegToRad},                     // +350 degrees: -10
        {{324, 324, 324, 324, 324.0 + 10.0 / 3600}, 10 * Arcsec},  // 4 pi + 10": 10"
        {{5, 5, 5, 5}, -340 * DegToRad},                       // -700 degrees: -340
    };
    for (const Case& c : cases) {
        Network net;
        NetworkBuilder b(net);
        ClosureLoop loop = LoopWithAngles(b, c.angles);
        ASSERT_EQ(DirectionClosure(net, loop), 1);
        EXPECT_NEAR(loop.closure, c.expected, 1e-9) << c.angles.size() << " angles";
        EXPECT_EQ(loop.weightReciprocal, double(c.angles.size()));
    }
}

TEST(DirectionClosure, RouteBetweenKnownSidesUsesTheirAzimuths) {
    Network net;
    NetworkBuilder b(net);
    const int A = b.Point("A", 0, 0, 0, 1), B = b.Point("B", 0, 1000, 0, 1), u = b.Point("u", 600, 1500);
    const int C = b.Point("C", 1000, 2000, 0, 1), D = b.Point("D", 1500, 2800, 0, 1);
    Direction(b, net, B, A);
    Direction(b, net, B, u, 4 * Arcsec);
    Direction(b, net, u, B);
    Direction(b, net, u, C);
    Direction(b, net, C, u);
    Direction(b, net, C, D);
    ClosureLoop loop = MakeLoop({int16_t(A), int16_t(B), int16_t(u), int16_t(C), int16_t(D)}, false, LoopDirection);
    ASSERT_EQ(DirectionClosure(net, loop), 1);
    EXPECT_NEAR(loop.closure, 4 * Arcsec, 1e-9);
    EXPECT_EQ(loop.weightReciprocal, 3.0);
}

TEST(SideConditionClosure, BaselineConditionCarriesTheLengthRatioThroughTwoTriangles) {
    // Known sides A-B and C-D by fixed distances; triangles A-B-C and B-C-D.
    Network net;
    NetworkBuilder b(net);
    const int A = b.Point("A", 0, 0), B = b.Point("B", 0, 1000), C = b.Point("C", 800, 400), D = b.Point("D", 900, 1300);
    for (const auto& [p, q] : {std::pair{A, B}, {A, C}, {B, C}, {B, D}, {C, D}}) {
        Direction(b, net, p, q);
        Direction(b, net, q, p);
    }
    Distance(b, net, A, B, 0.0, ClassFixed);
    Distance(b, net, C, D, 0.0001 * TrueDistance(net, C, D), ClassFixed);  // 1.0001 times too long
    std::vector<std::unique_ptr<ClosureLoop>> list(size_t(net.hdr.obsCount) + 1);
    std::vector<TriangleRecord> triangles;
    SearchCounts counts{};
    SearchLoops(net, b.ui(), list, 0, triangles, true, counts);
    ASSERT_EQ(counts[4], 2);
    ASSERT_EQ(counts[2], 1);
    ClosureLoop& loop = *list[size_t(counts[1])];
    ASSERT_EQ(loop.Kind(), LoopSideCondition);
    EXPECT_EQ(loop.Closed(), 0);
    ASSERT_EQ(ComputeLoopClosure(net, loop, triangles), 1);
    EXPECT_NEAR(loop.closure, 1.0 - 1.0 / 1.0001, 1e-10);
    // n: cot^2 of the angles opposite the incoming and the outgoing side in each triangle.
    const auto cot2 = [](double a) { return 1.0 / std::pow(std::tan(a), 2); };
    const double n = cot2(InteriorAngle(net, A, C, B)) + cot2(InteriorAngle(net, B, A, C)) +
                     cot2(InteriorAngle(net, B, D, C)) + cot2(InteriorAngle(net, C, B, D));
    EXPECT_NEAR(loop.weightReciprocal, n, 1e-9);
}

TEST(TraverseClosure, OrientedAtBothEndsGivesTheMisclosureOfTheLongLeg) {
    Traverse t(true, true);
    ClosureLoop loop = t.Candidate();
    ASSERT_EQ(TraverseClosure(t.net, loop), 1);
    EXPECT_EQ(loop.Kind(), LoopTraverse);
    EXPECT_EQ(loop.Orientation(), TraverseOriented);
    EXPECT_EQ(std::vector<int>(loop.elements.begin(), loop.elements.end()),
              (std::vector<int>{t.A0, t.A, t.P1, t.P2, t.B, t.B0}));
    EXPECT_NEAR(loop.closure, 0.0, 1e-9);  // pi is taken to ten decimals
    EXPECT_EQ(loop.weightReciprocal, 4.0);
    const TraverseResult& r = *loop.traverse;
    EXPECT_NEAR(r.fx, 0.05 * std::cos(30 * DegToRad), 1e-7);
    EXPECT_NEAR(r.fy, 0.05 * std::sin(30 * DegToRad), 1e-7);
    EXPECT_NEAR(r.sumS, 700.05, 1e-7);
    EXPECT_EQ(r.maxErrorSide, 2);       // P1-P2, along the closure vector
    EXPECT_EQ(r.maxErrorDirection, 1);  // A-P1, across it
}

TEST(TraverseClosure, OrientedAtTheFarEndOnlyIsReversed) {
    Traverse t(false, true);
    ClosureLoop loop = t.Candidate();
    ASSERT_EQ(TraverseClosure(t.net, loop), 1);
    EXPECT_EQ(loop.Orientation(), TraverseSingleOriented);
    EXPECT_EQ(std::vector<int>(loop.elements.begin(), loop.elements.end()),
              (std::vector<int>{t.B0, t.B, t.P2, t.P1, t.A, 0}));
    EXPECT_EQ(loop.closure, 0.0);
    EXPECT_EQ(loop.weightReciprocal, 6.0);
    // Walked from B the long leg points the other way.
    EXPECT_NEAR(loop.traverse->fx, -0.05 * std::cos(30 * DegToRad), 1e-7);
    EXPECT_NEAR(loop.traverse->fy, -0.05 * std::sin(30 * DegToRad), 1e-7);
}

TEST(TraverseClosure, UnorientedComparesLengthsOnly) {
    Traverse t(false, false);
    ClosureLoop loop = t.Candidate();
    ASSERT_EQ(TraverseClosure(t.net, loop), 1);
    EXPECT_EQ(loop.Orientation(), TraverseUnoriented);
    const double dx = t.net.Point(t.B).x - t.net.Point(t.A).x, dy = t.net.Point(t.B).y - t.net.Point(t.A).y;
    const double longer = std::hypot(dx + 0.05 * std::cos(30 * DegToRad), dy + 0.05 * std::sin(30 * DegToRad));
    EXPECT_NEAR(loop.traverse->fx, longer - std::hypot(dx, dy), 1e-7);
    EXPECT_EQ(loop.traverse->fy, 0.00001);
    EXPECT_EQ(loop.traverse->maxErrorSide, 0);
}

TEST(TraverseClosure, MissingDistanceOrAngleIsNotComputed) {
    // Observation 5 is the distance A-P1, 6 the direction P1 -> A.
    for (const auto& [obs, kind] : {std::pair{5, KindDistance}, {6, KindDirection}}) {
        Traverse t(true, true);
        t.net.Obs(obs).code = MakeCode(kind, ClassRejected);
        ClosureLoop loop = t.Candidate();
        EXPECT_EQ(TraverseClosure(t.net, loop), 0) << obs;
    }
}

TEST(TraverseClosure, ClosedTraverseWithItsClosingAngle) {
    // A square of 400 m sides, the side S3-S4 measured 0.04 m long.
    Network net;
    NetworkBuilder b(net);
    const int s[] = {b.Point("S1", 1000, 1000, 0, 1), b.Point("S2", 1000, 1400), b.Point("S3", 1400, 1400),
                     b.Point("S4", 1400, 1000)};
    for (int i = 0; i < 4; ++i) {
        const int p = s[i], next = s[(i + 1) % 4], prev = s[(i + 3) % 4];
        Direction(b, net, p, prev);
        Direction(b, net, p, next);
        Distance(b, net, p, next, p == s[2] ? 0.04 : 0.0);
    }
    ClosureLoop loop = MakeLoop({int16_t(s[0]), int16_t(s[1]), int16_t(s[2]), int16_t(s[3]), int16_t(s[0])}, true,
                                LoopTraverseCandidate);
    ASSERT_EQ(TraverseClosure(net, loop), 1);
    EXPECT_EQ(loop.Kind(), LoopTraverse);
    EXPECT_EQ(loop.Orientation(), TraverseClosed);
    EXPECT_EQ(loop.weightReciprocal, 4.0);
    EXPECT_NEAR(loop.closure, 0.0, 1e-9);
    // S3 -> S4 runs west: the excess shows as -0.04 in Y.
    EXPECT_NEAR(loop.traverse->fx, 0.0, 1e-7);
    EXPECT_NEAR(loop.traverse->fy, -0.04, 1e-7);
    EXPECT_NEAR(loop.traverse->sumS, 1600.04, 1e-7);
}

}  // namespace
}  // namespace quenvar
