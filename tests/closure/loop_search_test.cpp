#include "closure/loop_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "closure/search_graph.h"
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

TEST(HeightSearch, TooFewObservationsFindNothingAndAFullLoopListStopsWithOneMessage) {
    Network net;
    NetworkBuilder b(net);
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

TEST(SideConditionSearch, BracedQuadrilateralGivesThreeTrianglesAndOnePoleCondition) {
    Network net;
    NetworkBuilder b(net);
    BracedQuadrilateral(b, false);
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
    BracedQuadrilateral(b, true);
    Search s(net, b.ui(), true);
    ASSERT_EQ(s.counts[4], 3);
    ASSERT_GE(s.triangles.size(), 5u);
    const auto& pseudo = s.triangles[4].vertex;
    EXPECT_EQ((Elements{pseudo[0], pseudo[1], pseudo[2]}), (Elements{0, 1, 2}));
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

}  // namespace
}  // namespace quenvar
