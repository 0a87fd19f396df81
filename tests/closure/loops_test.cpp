// The search for closure loops (levelling loops, direction routes, side conditions of
// triangles) and the closures and traverse misclosures computed over the loops found.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "closure/loop_closures.h"
#include "closure/loop_search.h"
#include "closure/search_graph.h"
#include "geom/angles.h"
#include "tests/closure/closure_networks.h"

namespace quenvar {
namespace {

using namespace testing;

// An empty network and its builder.
class EmptyNetwork : public ::testing::Test {
protected:
    Network net;
    NetworkBuilder b{net};
};
using DirectionClosureTest = EmptyNetwork;
using DirectionSearch = EmptyNetwork;
using HeightClosureTest = EmptyNetwork;
using HeightSearch = EmptyNetwork;
using SideConditionClosure = EmptyNetwork;
using SideConditionSearch = EmptyNetwork;
using StepRouteLengthTest = EmptyNetwork;
using TraverseClosureTest = EmptyNetwork;

using Elements = std::vector<int>;

struct Search {
    std::vector<std::unique_ptr<ClosureLoop>> list;
    std::vector<TriangleRecord> triangles;
    SearchCounts counts{};
    int found = 0;

    Search(const Network& net, Messenger& ui, bool plane) : list(size_t(net.hdr.obsCount) + 1) {
        found = SearchLoops(net, ui, list, 0, triangles, plane, counts);
    }
    Elements Of(int i) const {
        const ClosureLoop& l = *list[size_t(i)];
        return Elements(l.elements.begin(), l.elements.begin() + l.count);
    }
};

// Both ways: a levelled line, or a direction pair.
void Both(NetworkBuilder& b, int p, int q, int kind) {
    b.Obs(p, q, kind, 1.0);
    b.Obs(q, p, kind, -1.0);
}

TEST_F(HeightSearch, ClosedLoopWithoutFixedPointStartsAndEndsAtOnePoint) {
    for (const char* n : {"P1", "P2", "P3", "P4"}) b.Point(n, 0, 0);
    for (const auto& [p, q, kind] : {std::tuple{1, 2, KindLevelled}, {2, 3, KindLevelled}, {3, 4, KindTrigHeight}, {4, 1, KindLevelled}})
        b.Obs(p, q, kind, p == 4 ? -0.3 : 0.1);
    Search s(net, b.ui(), false);
    ASSERT_EQ(s.found, 1);
    EXPECT_EQ(s.Of(0), (Elements{3, 4, 1, 2, 3}));
    EXPECT_EQ(s.list[0]->Closed(), 1);
    EXPECT_EQ(s.list[0]->Kind(), LoopHeight);
}

TEST_F(HeightSearch, ChainOfThreeFixedPointsGivesTwoStepLoopsAndRoutesBetweenNeighbours) {
    const int A = b.Point("A", 0, 0, 10, 0, 1), u1 = b.Point("u1", 0, 0), B = b.Point("B", 0, 0, 11, 0, 1);
    const int u2 = b.Point("u2", 0, 0), C = b.Point("C", 0, 0, 12, 0, 1);
    for (const auto& [p, q] : {std::pair{A, u1}, {u1, B}, {B, u2}, {u2, C}}) Both(b, p, q, KindLevelled);
    Search s(net, b.ui(), false);
    ASSERT_EQ(s.found, 6);
    const std::vector<Elements> expected{{u1, A, u1}, {A, u1, B}, {B, u1, B}, {u2, B, u2}, {B, u2, C}, {C, u2, C}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Of(i), expected[size_t(i)]) << "loop " << i;
    EXPECT_EQ(s.list[1]->Closed(), 0);
    EXPECT_EQ(s.list[0]->Closed(), 1);
}

TEST_F(HeightSearch, SecondComponentFixedPointGivesAnEmptyRecord) {
    // The first fixed point is met in one component; the one of the next component finds no
    // route back, and its record stays empty.
    const int A = b.Point("A", 0, 0, 10, 0, 1), u = b.Point("u", 0, 0);
    const int v = b.Point("v", 0, 0), B = b.Point("B", 0, 0, 10, 0, 1);
    Both(b, A, u, KindLevelled);
    Both(b, v, B, KindLevelled);
    Search s(net, b.ui(), false);
    ASSERT_EQ(s.found, 3);
    EXPECT_EQ(s.Of(0), (Elements{u, A, u}));
    EXPECT_EQ(s.list[1]->count, 0);
    EXPECT_EQ(s.list[1]->Kind(), LoopEmpty);
    EXPECT_EQ(s.Of(2), (Elements{B, v, B}));
}

TEST_F(HeightSearch, TooFewObservationsFindNothingAndAFullLoopListStopsWithOneMessage) {
    for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
    Both(b, 1, 2, KindLevelled);
    EXPECT_EQ(Search(net, b.ui(), false).found, 0);  // fewer observations than points
    Both(b, 2, 3, KindLevelled);
    Both(b, 3, 1, KindLevelled);
    std::vector<std::unique_ptr<ClosureLoop>> list(2);  // room for two of the four loops
    std::vector<TriangleRecord> triangles;
    SearchCounts counts{};
    EXPECT_EQ(SearchLoops(net, b.ui(), list, 0, triangles, false, counts), 2);
    EXPECT_EQ(b.ui().Texts(), std::vector<std::string>{"闭合环太多, 超出的闭合环未列出"});
}

TEST_F(DirectionSearch, TwoKnownSidesJoinedThroughOneUnknownPointGiveOneRoute) {
    const int A = b.Point("A", 0, 0, 0, 1), B = b.Point("B", 100, 0, 0, 1), u = b.Point("u", 200, 50);
    const int C = b.Point("C", 300, 0, 0, 1), D = b.Point("D", 400, 0, 0, 1);
    for (const auto& [p, q] : {std::pair{A, B}, {B, u}, {u, C}, {C, D}}) Both(b, p, q, KindDirection);
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.found, 1);
    EXPECT_EQ(s.Of(0), (Elements{A, B, u, C, D}));
    EXPECT_EQ(s.list[0]->Kind(), LoopDirection);
    EXPECT_EQ(s.list[0]->Closed(), 0);
}

TEST_F(DirectionSearch, OneWayDirectionClosesNoLoop) {
    for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
    Both(b, 1, 2, KindDirection);
    Both(b, 2, 3, KindDirection);
    b.Obs(1, 3, KindDirection, 0.5);
    EXPECT_EQ(Search(net, b.ui(), true).counts[1], 0);
    b.Obs(3, 1, KindDirection, 0.5);
    EXPECT_EQ(Search(net, b.ui(), true).counts[1], 1);
}

// Four points, all six sides observed both ways; points 1 and 2 known when asked.
void BracedQuadrilateral(NetworkBuilder& b, bool knownBase) {
    const int c = knownBase ? 1 : 0;
    b.Point("P1", 0, 0, 0, c);
    b.Point("P2", 100, 0, 0, c);
    b.Point("P3", 100, 100);
    b.Point("P4", 0, 100);
    for (int p = 1; p <= 4; ++p)
        for (int q = 1; q <= 4; ++q)
            if (p != q) b.Obs(p, q, KindDirection, 0.1 * q);
}

TEST_F(SideConditionSearch, BracedQuadrilateralGivesThreeTrianglesAndOnePoleCondition) {
    BracedQuadrilateral(b, false);
    Search s(net, b.ui(), true);
    EXPECT_EQ(s.counts[1], 3);
    ASSERT_EQ(s.counts[4], 3);
    const auto vertices = [&](int t) {
        const auto& v = s.triangles[size_t(t)].vertex;
        return Elements{v[0], v[1], v[2], v[3]};
    };
    EXPECT_EQ((std::vector{vertices(1), vertices(2), vertices(3)}), (std::vector<Elements>{{1, 2, 3, 1}, {1, 2, 4, 1}, {1, 3, 4, 1}}));
    // Every side is shared by two triangles at most: the triangles are joined directly.
    ASSERT_EQ(s.counts[2], 1);
    EXPECT_EQ(s.Of(3), (Elements{3, 2, 1, 3}));
    EXPECT_EQ(s.list[3]->Kind(), LoopSideCondition);
    EXPECT_EQ(s.list[3]->Closed(), 1);
}

TEST_F(SideConditionSearch, KnownSideBecomesAPseudoNodeHoldingItsEnds) {
    BracedQuadrilateral(b, true);
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.counts[4], 3);
    ASSERT_GE(s.triangles.size(), 5u);
    const auto& pseudo = s.triangles[4].vertex;
    EXPECT_EQ((Elements{pseudo[0], pseudo[1], pseudo[2]}), (Elements{0, 1, 2}));
}

TEST_F(SideConditionSearch, SideOfThreeTrianglesBecomesAPseudoNode) {
    // Three triangles on the side P1-P2, with apexes on three sides of it; no other side shared.
    b.Point("P1", 0, 0);
    b.Point("P2", 100, 0);
    for (const char* n : {"Q3", "Q4", "Q5"}) b.Point(n, 50, 50);
    Both(b, 1, 2, KindDirection);
    for (int q = 3; q <= 5; ++q) {
        Both(b, 1, q, KindDirection);
        Both(b, 2, q, KindDirection);
    }
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.counts[4], 3);
    ASSERT_EQ(s.triangles.size(), 5u);  // three triangles, one pseudo-node
    EXPECT_EQ(s.triangles[4].vertex[0] | s.triangles[4].vertex[1], 0);  // not a known side: no ends kept
    // A star of three triangles around one node has no loop.
    EXPECT_EQ(s.counts[2], 0);
}

using Loops = std::vector<std::vector<int>>;

// The search as plainly stated, every edge scanned from the first for every step: the search
// walking each node's incidence list must find the same loops in the same order.
struct PlainSearch {
    SearchGraph& g;
    Loops loops;

    int Next(int n, int usage, int& other) const {
        for (int e = 1; e <= g.edgeCount; ++e) {
            const GraphEdge& edge = g.edges[size_t(e)];
            const int a = SearchGraph::From(edge), b = SearchGraph::To(edge);
            if ((a != n && b != n) || g.Usage(e) != usage || (g.OneWay(e) && b == n)) continue;
            other = a == n ? b : a;
            return e;
        }
        return 0;
    }

    void Trace(int p0, int p1, int mode) {
        std::vector<int> queue{p0}, parent{0}, taken;
        g.SetState(p0, NodeOnPath);
        bool found = false;
        for (size_t head = 0; head < queue.size() && !found;) {
            int x = 0;
            const int e = Next(queue[head], EdgeTaken, x);
            if (e == 0) {
                ++head;
                continue;
            }
            g.SetUsage(e, EdgeOnPath);
            taken.push_back(e);
            if ((g.OneWay(e) && !(mode == 2 && g.KnownSide(e))) || g.State(x) == NodeOnPath) continue;
            g.SetState(x, NodeOnPath);
            queue.push_back(x);
            parent.push_back(int(head));
            found = mode == 1 ? x == p1 : mode == 0 ? g.Class(x) == NodeFixed : g.KnownSide(e);
        }
        for (int n = 1; n <= g.nodeCount; ++n)
            if (g.State(n) == NodeOnPath) g.SetState(n, NodeReached);
        for (int e : taken) g.SetUsage(e, EdgeTaken);
        std::vector<int> el;
        if (found) {
            if (mode == 1) el.push_back(p0);
            for (int j = int(queue.size()) - 1; j != 0; j = parent[size_t(j)]) el.push_back(queue[size_t(j)]);
            el.push_back(p0);
            if (mode == 2) el.push_back(p1);
        }
        loops.push_back(el);
    }

    void FindLoops(bool direction) {
        bool fixedMet = false;
        for (int s = 1; s <= g.nodeCount; ++s) {
            if (g.State(s) != NodeUnreached) continue;
            std::vector<int> queue{s};
            g.SetState(s, NodeReached);
            if (!direction && g.Class(s) == NodeFixed) fixedMet = true;
            for (size_t head = 0; head < queue.size();) {
                int x = 0;
                const int e = Next(queue[head], EdgeFree, x);
                if (e == 0) {
                    ++head;
                    continue;
                }
                if (direction && g.KnownSide(e)) {
                    if (fixedMet) Trace(queue[head], x, 2);
                    fixedMet = true;
                }
                if (direction && g.OneWay(e)) {
                    g.SetUsage(e, EdgeTaken);
                } else if (g.State(x) != NodeUnreached) {
                    Trace(x, queue[head], 1);
                    g.SetUsage(e, EdgeTaken);
                } else {
                    g.SetState(x, NodeReached);
                    g.SetUsage(e, EdgeTaken);
                    queue.push_back(x);
                    if (!direction && g.Class(x) == NodeFixed) {
                        if (fixedMet) Trace(x, queue[head], 0);
                        fixedMet = true;
                    }
                }
            }
        }
    }
};

// A random network of 12 points, a quarter of them known, with directions (often observed
// from one end only) or height differences between random pairs.
void RandomNetwork(NetworkBuilder& b, std::mt19937& rng, bool height) {
    for (int p = 1; p <= 12; ++p) {
        const int known = rng() % 4 == 0 ? 1 : 0;
        b.Point("P" + std::to_string(p), 0, 0, 0, height ? 0 : known, height ? known : 0);
    }
    for (int k = 0; k < 30; ++k) {
        const int s = 1 + int(rng() % 12), t = 1 + int(rng() % 12);
        if (s == t) continue;
        b.Obs(s, t, height ? KindLevelled : KindDirection, 0.1);
        if (!height && rng() % 2 == 0) b.Obs(t, s, KindDirection, 0.2);
    }
}

TEST(SearchOrder, IncidenceListsFindWhatThePlainScanFinds) {
    std::mt19937 rng(7);
    for (int run = 0; run < 200; ++run) {
        const bool height = run % 2 == 0;
        Network net;
        NetworkBuilder b(net);
        RandomNetwork(b, rng, height);
        std::vector<std::unique_ptr<ClosureLoop>> list(size_t(net.hdr.obsCount) + 1);
        SearchGraph fast(net, b.ui(), list, 0), plain(net, b.ui(), list, 0);
        height ? BuildHeightEdges(fast) : BuildDirectionEdges(fast);
        height ? BuildHeightEdges(plain) : BuildDirectionEdges(plain);
        const int found = fast.FindLoops(!height, height ? LoopHeight : LoopDirection);
        PlainSearch reference{plain, {}};
        reference.FindLoops(!height);
        ASSERT_EQ(found, int(reference.loops.size())) << "run " << run;
        for (int i = 0; i < found; ++i) {
            const ClosureLoop& l = *list[size_t(i)];
            EXPECT_EQ(std::vector<int>(l.elements.begin(), l.elements.begin() + l.count), reference.loops[size_t(i)])
                << "run " << run << ", loop " << i;
        }
    }
}



TEST_F(HeightClosureTest, ClosedLoopSumsHeightDifferencesAndKilometres) {
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

TEST_F(HeightClosureTest, RouteBetweenFixedPointsRemovesTheirDifferenceAndUnknownStepsCountOneKilometre) {
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

TEST_F(StepRouteLengthTest, PrefersLineLengthsThenDistancesThenCoordinates) {
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

TEST_F(DirectionClosureTest, WrapsLikeTheLimitsSay) {
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
        Network own;
        NetworkBuilder builder(own);
        ClosureLoop loop = LoopWithAngles(builder, c.angles);
        ASSERT_EQ(DirectionClosure(own, loop), 1);
        EXPECT_NEAR(loop.closure, c.expected, 1e-9) << c.angles.size() << " angles";
        EXPECT_EQ(loop.weightReciprocal, double(c.angles.size()));
    }
}

TEST_F(DirectionClosureTest, RouteBetweenKnownSidesUsesTheirAzimuths) {
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

TEST_F(SideConditionClosure, BaselineConditionCarriesTheLengthRatioThroughTwoTriangles) {
    // Known sides A-B and C-D by fixed distances; triangles A-B-C and B-C-D.
    const int A = b.Point("A", 0, 0), B = b.Point("B", 0, 1000), C = b.Point("C", 800, 400), D = b.Point("D", 900, 1300);
    for (const auto& [p, q] : {std::pair{A, B}, {A, C}, {B, C}, {B, D}, {C, D}}) {
        Direction(b, net, p, q);
        Direction(b, net, q, p);
    }
    Distance(b, net, A, B, 0.0, ClassFixed);
    Distance(b, net, C, D, 0.0001 * TrueDistance(net, C, D), ClassFixed);  // 1.0001 times too long
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.counts[4], 2);
    ASSERT_EQ(s.counts[2], 1);
    ClosureLoop& loop = *s.list[size_t(s.counts[1])];
    ASSERT_EQ(loop.Kind(), LoopSideCondition);
    EXPECT_EQ(loop.Closed(), 0);
    ASSERT_EQ(ComputeLoopClosure(net, loop, s.triangles), 1);
    EXPECT_NEAR(loop.closure, 1.0 - 1.0 / 1.0001, 1e-10);
    // n: cot^2 of the angles opposite the incoming and the outgoing side in each triangle.
    const auto cot2 = [](double a) { return 1.0 / std::pow(std::tan(a), 2); };
    const double n = cot2(InteriorAngle(net, A, C, B)) + cot2(InteriorAngle(net, B, A, C)) +
                     cot2(InteriorAngle(net, B, D, C)) + cot2(InteriorAngle(net, C, B, D));
    EXPECT_NEAR(loop.weightReciprocal, n, 1e-9);
}

TEST_F(TraverseClosureTest, OrientedAtBothEndsGivesTheMisclosureOfTheLongLeg) {
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

TEST_F(TraverseClosureTest, OrientedAtTheFarEndOnlyIsReversed) {
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

TEST_F(TraverseClosureTest, UnorientedComparesLengthsOnly) {
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

TEST_F(TraverseClosureTest, MissingDistanceOrAngleIsNotComputed) {
    // Observation 5 is the distance A-P1, 6 the direction P1 -> A.
    for (const auto& [obs, kind] : {std::pair{5, KindDistance}, {6, KindDirection}}) {
        Traverse t(true, true);
        t.net.Obs(obs).code = MakeCode(kind, ClassRejected);
        ClosureLoop loop = t.Candidate();
        EXPECT_EQ(TraverseClosure(t.net, loop), 0) << obs;
    }
}

TEST_F(TraverseClosureTest, ClosedTraverseWithItsClosingAngle) {
    // A square of 400 m sides, the side S3-S4 measured 0.04 m long.
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
