// Triangles of the direction network and the graph whose nodes they are: side conditions
// (pole and baseline conditions) are the loops of that graph.
#include <algorithm>
#include <unordered_map>

#include "closure/loop_search.h"
#include "closure/search_graph.h"
#include "geom/network_geometry.h"

namespace quenvar {

namespace {

uint32_t SideKey(int a, int b) { return (uint32_t(std::min(a, b)) << 16) | uint32_t(std::max(a, b)); }

// Sets the done mark of the triangle's side joining a and b (either way round); 1 when it
// has that side.
int TriangleHasSide(TriangleRecord& t, int a, int b) {
    for (int k = 0; k < 3; ++k) {
        const int u = t.vertex[k], v = t.vertex[k + 1];
        if ((u == a && v == b) || (u == b && v == a)) {
            t.sideDone[k] = 1;
            return 1;
        }
    }
    return 0;
}

}  // namespace

int IsKnownSide(const Network& net, int a, int b) {
    if (PlaneClass(net.Point(a)) == PointKnown && PlaneClass(net.Point(b)) == PointKnown) return 1;
    int o = FindObservation(net, a, b, KindDistance);
    if (o == 0) o = FindObservation(net, b, a, KindDistance);
    return o != 0 && ObsClassOf(net.Obs(o)) == ClassFixed ? 1 : 0;
}

int IsBracedTriangle(const SearchGraph& g, int p, int a, int b) {
    if (p < 2) return 0;
    for (const int e : g.EdgesTo(p)) {
        const int q = SearchGraph::From(g.edges[size_t(e)]);
        if (q >= 1 && q < p && g.FindEdge(q, a) != 0 && g.FindEdge(q, b) != 0) return 1;
    }
    return 0;
}

int FindTriangles(SearchGraph& g, std::vector<TriangleRecord>& table) {
    int nodes = 0;
    for (int n = 1; n <= g.nodeCount; ++n)
        if (g.Class(n) < NodeOutside) ++nodes;
    const int capacity = g.edgeCount - nodes + 2;  // records, record 0 included
    if (capacity < 3) return 0;
    g.NormaliseEdges();
    table.assign(size_t(capacity), TriangleRecord{});
    int count = 0;
    for (int p = 1; p < g.nodeCount; ++p) {
        const std::vector<int>& out = g.EdgesFrom(p);
        for (size_t x = 0; x < out.size(); ++x) {
            const int i = out[x];
            for (size_t y = x + 1; y < out.size(); ++y) {
                const int j = out[y];
                const int a = SearchGraph::To(g.edges[size_t(i)]), b = SearchGraph::To(g.edges[size_t(j)]);
                const int k = g.FindEdge(a, b);
                if (k == 0) continue;
                if (g.OneWay(i) && g.OneWay(j) && g.OneWay(k)) continue;
                if (g.Usage(i) == EdgeTaken && g.Usage(j) == EdgeTaken && g.Usage(k) == EdgeTaken &&
                    IsBracedTriangle(g, p, a, b))
                    continue;
                if (count + 1 >= capacity) {
                    g.ReportBound("三角形太多, 超出的三角形未参与边条件搜索");
                    return count;
                }
                for (const int e : {i, j, k}) g.SetUsage(e, EdgeTaken);
                TriangleRecord& t = table[size_t(++count)];
                t = TriangleRecord{{uint16_t(p), uint16_t(a), uint16_t(b), uint16_t(p)}, {0, 0, 0}, 0};
            }
        }
    }
    return count;
}

bool BuildTriangleGraph(SearchGraph& g, std::vector<TriangleRecord>& table, int triangleCount) {
    const int T = triangleCount;
    g.edgeCount = 0;
    g.nodeCount = T;
    for (int t = 1; t <= T; ++t) g.nodeFlags[size_t(t)] = g.nodeFlags[0];

    // The triangles of every side, in triangle order.
    std::unordered_map<uint32_t, std::vector<int>> trianglesOfSide;
    for (int t = 1; t <= T; ++t)
        for (int k = 0; k < 3; ++k) trianglesOfSide[SideKey(table[size_t(t)].vertex[k], table[size_t(t)].vertex[k + 1])].push_back(t);

    auto fail = [&] {
        g.ReportBound("三角形网过大, 未作边条件搜索");
        table.clear();
        return false;
    };
    std::vector<int> list;
    for (int t = 1; t <= T; ++t) {
        for (int k = 0; k < 3; ++k) {
            if (table[size_t(t)].sideDone[k] != 0) continue;
            table[size_t(t)].sideDone[k] = 1;
            const int a = table[size_t(t)].vertex[k], b = table[size_t(t)].vertex[k + 1];
            const bool known = IsKnownSide(g.net, a, b) != 0;
            list.clear();
            for (const int u : trianglesOfSide[SideKey(a, b)])
                if (u > t && TriangleHasSide(table[size_t(u)], a, b)) list.push_back(u);
            int node = t;
            if (known || list.size() >= 2) {
                node = ++g.nodeCount;
                list.push_back(t);
            }
            if (list.empty()) continue;
            if (node > T) {
                if (node > MaxGraphNode || node >= int(g.nodeFlags.size())) return fail();
                g.SetClass(node, known ? NodeFixed : NodeUnknown);
                g.SetState(node, NodeUnreached);
                const TriangleRecord empty = table[0];
                if (size_t(node) >= table.size()) table.resize(size_t(node) + 1, empty);
                table[size_t(node)] = empty;
                if (known) {
                    table[size_t(node)].vertex[1] = uint16_t(a);
                    table[size_t(node)].vertex[2] = uint16_t(b);
                }
            }
            for (auto u = list.rbegin(); u != list.rend(); ++u)
                if (g.AddEdge(node, *u) == 0) return fail();
        }
    }
    return true;
}

}  // namespace quenvar
