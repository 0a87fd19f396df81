#include "closure/loop_search.h"

#include "closure/search_graph.h"
#include "geom/network_geometry.h"
#include "netdb/chain.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

// Class of every point in the search (3 for a class outside 0-2); every state "no edge".
template <typename ClassOf>
void InitialiseNodes(SearchGraph& g, ClassOf classOf) {
    g.nodeCount = g.net.hdr.pointCount;
    g.edgeCount = 0;
    for (int p = 1; p <= g.nodeCount; ++p) {
        const int c = classOf(g.net.Point(p));
        g.SetClass(p, c <= 2 ? c : NodeOutside);
        g.SetState(p, NodeWithoutEdge);
    }
}

// A target inside the search, or 0.
int SearchTarget(const SearchGraph& g, const ObsRec& o) {
    const int t = o.target;
    return t >= 1 && t <= g.nodeCount && g.Class(t) != NodeOutside ? t : 0;
}

bool AddObservationEdge(SearchGraph& g, int s, int t, bool oneWay = false, bool knownSide = false) {
    if (g.AddEdge(s, t, oneWay, knownSide) == 0) {
        // Only chains that share observations can give more edges than there are observations.
        g.ReportBound("观测值链有误, 部分观测值未参与闭合环搜索");
        return false;
    }
    g.SetState(s, NodeUnreached);
    g.SetState(t, NodeUnreached);
    return true;
}

// Walks the chains of every station inside the search and offers each observation that takes
// part, is of a kind the pass wants and aims at a point inside the search to
// edgeOf(station, target); edgeOf returns false to stop the walk.
template <typename Wanted, typename EdgeOf>
void WalkStations(SearchGraph& g, Wanted wanted, EdgeOf edgeOf) {
    for (int s = 1; s <= g.nodeCount; ++s) {
        if (g.Class(s) == NodeOutside) continue;
        WalkChain(g.net, s, [&](int o) {
            const ObsRec& r = g.net.Obs(o);
            if (!wanted(KindOf(r)) || !TakesPart(r)) return true;
            const int t = SearchTarget(g, r);
            return t == 0 || edgeOf(s, t);
        });
    }
}

}  // namespace

int BuildHeightEdges(SearchGraph& g) {
    InitialiseNodes(g, [](const PointRec& p) { return HeightClass(p); });
    // Levelled and trigonometric height differences; one edge per observation, so a line
    // levelled forth and back is a closed loop of two steps.
    WalkStations(
        g, [](int kind) { return kind == KindLevelled || kind == KindTrigHeight; },
        [&](int s, int t) { return AddObservationEdge(g, s, t); });
    return 1;
}

int BuildDirectionEdges(SearchGraph& g) {
    InitialiseNodes(g, [](const PointRec& p) { return PlaneClass(p); });
    WalkStations(g, [](int kind) { return kind == KindDirection; }, [&](int s, int t) {
        // A direction observed both ways gives one edge, taken from the lower station.
        const bool back = FindObservation(g.net, t, s, KindDirection) != 0;
        if (back && s > t) return true;
        return AddObservationEdge(g, s, t, !back, g.Class(s) == NodeFixed && g.Class(t) == NodeFixed);
    });
    return 1;
}

int BuildDistanceEdges(SearchGraph& g) {
    InitialiseNodes(g, [](const PointRec& p) { return PlaneClass(p); });
    // A traverse leg needs the distance and, at an unknown end, the direction from that end.
    WalkStations(g, [](int kind) { return kind == KindDistance; }, [&](int s, int t) {
        if (g.Class(s) == NodeUnknown && FindObservation(g.net, s, t, KindDirection) == 0) return true;
        if (g.Class(t) == NodeUnknown && FindObservation(g.net, t, s, KindDirection) == 0) return true;
        return AddObservationEdge(g, s, t);
    });
    return 1;
}

int16_t SearchLoops(const Network& net, Messenger& ui, std::vector<std::unique_ptr<ClosureLoop>>& list,
                    int position, std::vector<TriangleRecord>& triangles, bool plane, SearchCounts& counts) {
    counts = {};
    if (!net.Present() || net.hdr.pointCount < 1 || int(net.hdr.obsCount) + 1 <= net.hdr.pointCount) return 0;
    if (net.hdr.pointCount >= net.PointCapacity() || net.hdr.obsCount >= net.ObsCapacity()) return 0;
    if (net.hdr.pointCount > MaxGraphNode) {
        ShowMessage(ui, "点数超过4095, 不能搜索闭合环", 0, MsgInfo);
        return 0;
    }
    SearchGraph g(net, ui, list, position);
    if (!plane) {
        BuildHeightEdges(g);
        counts[0] = int16_t(g.FindLoops(false, LoopHeight));
        return int16_t(g.Appended());
    }
    BuildDirectionEdges(g);
    counts[1] = int16_t(g.FindLoops(true, LoopDirection));
    const int triangleCount = FindTriangles(g, triangles);
    counts[4] = int16_t(triangleCount);
    if (triangleCount > 0 && BuildTriangleGraph(g, triangles, triangleCount))
        counts[2] = int16_t(g.FindLoops(false, LoopSideCondition));
    BuildDistanceEdges(g);
    counts[3] = int16_t(g.FindLoops(false, LoopTraverseCandidate));
    return int16_t(g.Appended());
}

}  // namespace quenvar
