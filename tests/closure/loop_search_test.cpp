#include "closure/loop_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
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

TEST(HeightSearch, ClosedLoopWithoutFixedPointStartsAndEndsAtOnePoint) {
    Network net;
    NetworkBuilder b(net);
    for (const char* n : {"P1", "P2", "P3", "P4"}) b.Point(n, 0, 0);
    b.Obs(1, 2, KindLevelled, 0.1);
    b.Obs(2, 3, KindLevelled, 0.1);
    b.Obs(3, 4, KindTrigHeight, 0.1);
    b.Obs(4, 1, KindLevelled, -0.3);
    Search s(net, b.ui(), false);
    ASSERT_EQ(s.found, 1);
    EXPECT_EQ(s.Of(0), (Elements{3, 4, 1, 2, 3}));
    EXPECT_EQ(s.list[0]->Closed(), 1);
    EXPECT_EQ(s.list[0]->Kind(), LoopHeight);
}

TEST(HeightSearch, ChainOfThreeFixedPointsGivesTwoStepLoopsAndRoutesBetweenNeighbours) {
    Network net;
    NetworkBuilder b(net);
    const int A = b.Point("A", 0, 0, 10, 0, 1), u1 = b.Point("u1", 0, 0), B = b.Point("B", 0, 0, 11, 0, 1);
    const int u2 = b.Point("u2", 0, 0), C = b.Point("C", 0, 0, 12, 0, 1);
    Both(b, A, u1, KindLevelled);
    Both(b, u1, B, KindLevelled);
    Both(b, B, u2, KindLevelled);
    Both(b, u2, C, KindLevelled);
    Search s(net, b.ui(), false);
    ASSERT_EQ(s.found, 6);
    const std::vector<Elements> expected{{u1, A, u1}, {A, u1, B}, {B, u1, B}, {u2, B, u2}, {B, u2, C}, {C, u2, C}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Of(i), expected[size_t(i)]) << "loop " << i;
    EXPECT_EQ(s.list[1]->Closed(), 0);
    EXPECT_EQ(s.list[0]->Closed(), 1);
}

TEST(HeightSearch, SecondComponentFixedPointGivesAnEmptyRecord) {
    // The first fixed point is met in one component; the one of the next component finds no
    // route back, and its record stays empty.
    Network net;
    NetworkBuilder b(net);
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

TEST(HeightSearch, FullLoopListStopsWithOneMessage) {
    Network net;
    NetworkBuilder b(net);
    for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
    Both(b, 1, 2, KindLevelled);
    Both(b, 2, 3, KindLevelled);
    Both(b, 3, 1, KindLevelled);
    std::vector<std::unique_ptr<ClosureLoop>> list(2);  // room for two of the four loops
    std::vector<TriangleRecord> triangles;
    SearchCounts counts{};
    EXPECT_EQ(SearchLoops(net, b.ui(), list, 0, triangles, false, counts), 2);
    EXPECT_EQ(b.ui().Texts(), std::vector<std::string>{"闭合环太多, 超出的闭合环未列出"});
}

TEST(HeightSearch, FewerObservationsThanPointsFindNothing) {
    Network net;
    NetworkBuilder b(net);
    for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
    Both(b, 1, 2, KindLevelled);
    Search s(net, b.ui(), false);
    EXPECT_EQ(s.found, 0);
}

TEST(DirectionSearch, TwoKnownSidesJoinedThroughOneUnknownPointGiveOneRoute) {
    Network net;
    NetworkBuilder b(net);
    const int A = b.Point("A", 0, 0, 0, 1), B = b.Point("B", 100, 0, 0, 1), u = b.Point("u", 200, 50);
    const int C = b.Point("C", 300, 0, 0, 1), D = b.Point("D", 400, 0, 0, 1);
    Both(b, A, B, KindDirection);
    Both(b, B, u, KindDirection);
    Both(b, u, C, KindDirection);
    Both(b, C, D, KindDirection);
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.found, 1);
    EXPECT_EQ(s.Of(0), (Elements{A, B, u, C, D}));
    EXPECT_EQ(s.list[0]->Kind(), LoopDirection);
    EXPECT_EQ(s.list[0]->Closed(), 0);
}

TEST(DirectionSearch, OneWayDirectionClosesNoLoop) {
    for (const bool oneWay : {false, true}) {
        Network net;
        NetworkBuilder b(net);
        for (const char* n : {"P1", "P2", "P3"}) b.Point(n, 0, 0);
        Both(b, 1, 2, KindDirection);
        Both(b, 2, 3, KindDirection);
        b.Obs(1, 3, KindDirection, 0.5);
        if (!oneWay) b.Obs(3, 1, KindDirection, 0.5);
        Search s(net, b.ui(), true);
        EXPECT_EQ(s.counts[1], oneWay ? 0 : 1) << "one-way " << oneWay;
    }
}

// Four points, all six sides observed both ways; points 1 and 2 known when asked.
void BracedQuadrilateral(Network& net, NetworkBuilder& b, bool knownBase) {
    const int c = knownBase ? 1 : 0;
    b.Point("P1", 0, 0, 0, c);
    b.Point("P2", 100, 0, 0, c);
    b.Point("P3", 100, 100);
    b.Point("P4", 0, 100);
    for (int p = 1; p <= 4; ++p)
        for (int q = 1; q <= 4; ++q)
            if (p != q) b.Obs(p, q, KindDirection, 0.1 * q);
    (void)net;
}

TEST(SideConditionSearch, BracedQuadrilateralGivesThreeTrianglesAndOnePoleCondition) {
    Network net;
    NetworkBuilder b(net);
    BracedQuadrilateral(net, b, false);
    Search s(net, b.ui(), true);
    EXPECT_EQ(s.counts[1], 3);
    ASSERT_EQ(s.counts[4], 3);
    const auto vertices = [&](int t) {
        const auto& v = s.triangles[size_t(t)].vertex;
        return Elements{v[0], v[1], v[2], v[3]};
    };
    EXPECT_EQ(vertices(1), (Elements{1, 2, 3, 1}));
    EXPECT_EQ(vertices(2), (Elements{1, 2, 4, 1}));
    EXPECT_EQ(vertices(3), (Elements{1, 3, 4, 1}));
    // Every side is shared by two triangles at most: the triangles are joined directly.
    ASSERT_EQ(s.counts[2], 1);
    EXPECT_EQ(s.Of(3), (Elements{3, 2, 1, 3}));
    EXPECT_EQ(s.list[3]->Kind(), LoopSideCondition);
    EXPECT_EQ(s.list[3]->Closed(), 1);
}

TEST(SideConditionSearch, KnownSideBecomesAPseudoNodeHoldingItsEnds) {
    Network net;
    NetworkBuilder b(net);
    BracedQuadrilateral(net, b, true);
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.counts[4], 3);
    ASSERT_GE(s.triangles.size(), 5u);
    const TriangleRecord& pseudo = s.triangles[4];
    EXPECT_EQ(pseudo.vertex[0], 0);
    EXPECT_EQ(pseudo.vertex[1], 1);
    EXPECT_EQ(pseudo.vertex[2], 2);
}

TEST(SideConditionSearch, SideOfThreeTrianglesBecomesAPseudoNode) {
    // Three triangles on the side P1-P2, with apexes on three sides of it; no other side shared.
    Network net;
    NetworkBuilder b(net);
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
    EXPECT_EQ(s.triangles[4].vertex[0], 0);
    EXPECT_EQ(s.triangles[4].vertex[1], 0);  // not a known side: no ends kept
    // A star of three triangles around one node has no loop.
    EXPECT_EQ(s.counts[2], 0);
}

}  // namespace
}  // namespace quenvar
