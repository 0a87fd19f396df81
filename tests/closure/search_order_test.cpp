// The search walks each node's incidence list instead of scanning all edges for every step;
// on random networks it must find the same loops, in the same order, as the plain scan.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "closure/loop_search.h"
#include "closure/search_graph.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using Loops = std::vector<std::vector<int>>;

// The search as plainly stated: every edge scanned from the first for every step.
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
void RandomNetwork(Network& net, testing::NetworkBuilder& b, std::mt19937& rng, bool height) {
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
    (void)net;
}

TEST(SearchOrder, IncidenceListsFindWhatThePlainScanFinds) {
    std::mt19937 rng(7);
    for (int run = 0; run < 200; ++run) {
        const bool height = run % 2 == 0;
        Network net;
        testing::NetworkBuilder b(net);
        RandomNetwork(net, b, rng, height);
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
