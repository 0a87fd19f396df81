// The work graph of one loop search: node flags (state and class of every node) and edges,
// each with its usage, known-side and one-way marks, and per-node incidence lists kept in
// edge-index order so that the lowest-index incident edge is found in time proportional to
// the node's degree instead of by a scan of all edges.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "closure/closure_loop.h"
#include "netdb/network.h"

namespace quenvar {

class Messenger;

#pragma pack(push, 1)
struct GraphEdge {
    uint16_t from;  // bits 0-11 from-node (the station of an observation edge)
    uint16_t to;    // bits 0-11 to-node; 12-13 usage; 14-15 value 1 = known side
    uint16_t mark;  // bits 0-1 value 1 = one-way (observed from the from-node only)
};
#pragma pack(pop)
static_assert(sizeof(GraphEdge) == 6);

enum NodeState : int { NodeUnreached = 0, NodeReached = 1, NodeOnPath = 2, NodeWithoutEdge = 3 };
enum NodeClass : int { NodeUnknown = 0, NodeFixed = 1, NodeSpecial = 2, NodeOutside = 3 };
enum EdgeUsage : int { EdgeFree = 0, EdgeTaken = 1, EdgeOnPath = 2 };

// Node numbers are 12-bit inside an edge.
inline constexpr int MaxGraphNode = 4095;

class SearchGraph {
public:
    // Room for obsCount + 1 nodes and edges; loops are appended to list from position on.
    SearchGraph(const Network& net, Messenger& ui, std::vector<std::unique_ptr<ClosureLoop>>& list, int position);

    const Network& net;

    int nodeCount = 0;
    int edgeCount = 0;
    std::vector<uint16_t> nodeFlags;  // bits 0-3 state, 4-7 class; index 0 is no node
    std::vector<GraphEdge> edges;     // edge 0 is never an edge

    int State(int n) const { return nodeFlags[size_t(n)] & 0xF; }
    int Class(int n) const { return (nodeFlags[size_t(n)] >> 4) & 0xF; }
    void SetState(int n, int s) { nodeFlags[size_t(n)] = uint16_t((nodeFlags[size_t(n)] & ~0xFu) | unsigned(s)); }
    void SetClass(int n, int c) { nodeFlags[size_t(n)] = uint16_t((nodeFlags[size_t(n)] & ~0xF0u) | (unsigned(c) << 4)); }

    static int From(const GraphEdge& e) { return e.from & 0xFFF; }
    static int To(const GraphEdge& e) { return e.to & 0xFFF; }
    int Usage(int e) const { return (edges[size_t(e)].to >> 12) & 3; }
    bool KnownSide(int e) const { return (edges[size_t(e)].to >> 14) == 1; }
    bool OneWay(int e) const { return (edges[size_t(e)].mark & 3) == 1; }
    void SetUsage(int e, int u) { auto& t = edges[size_t(e)].to; t = uint16_t((t & ~0x3000u) | (unsigned(u) << 12)); }

    // Appends the edge from -> to; its index, or 0 when the edge array is full.
    int AddEdge(int from, int to, bool oneWay = false, bool knownSide = false);
    // Builds the incidence lists of the current edges; called whenever the edges are complete.
    void IndexEdges();
    // The lowest-index edge incident with node whose usage is `usage` and that may be walked
    // from node (a one-way edge only from its from-node), searching the node's list from
    // cursor on; 0 if none. other receives the edge's other end; cursor moves past the edge.
    int NextIncidentEdge(int node, int usage, int& other, size_t& cursor) const;
    // The edge whose from-node is the smaller and to-node the larger of a and b (the lowest
    // index among parallel ones); 0 if none. Valid after NormaliseEdges.
    int FindEdge(int a, int b) const;
    // Every edge's from-node becomes the smaller number; usages are cleared; FindEdge indexed.
    void NormaliseEdges();
    // Edges with from-node (or to-node) n, in index order, after NormaliseEdges.
    const std::vector<int>& EdgesFrom(int n) const { return from_[size_t(n)]; }
    const std::vector<int>& EdgesTo(int n) const { return to_[size_t(n)]; }

    // Breadth-first search through the taken edges from p0; mode 0 stops at a fixed node, 1 at
    // p1, 2 after a known side. A new loop, with count 0 and kind 0 when the goal is not reached.
    std::unique_ptr<ClosureLoop> TracePath(int p0, int p1, int mode, int kind);
    // The spanning search of every component; every edge that closes a cycle, and every fixed
    // node (or known side in the direction pass) after the first, appends one traced loop.
    int FindLoops(bool planeDirection, int kind);

    // Appends loop at the next list position; false (reported once) when the list is full.
    bool Append(std::unique_ptr<ClosureLoop> loop);
    int Appended() const { return next_ - first_; }
    // Reports a bound of the search that was reached, once per kind of bound.
    void ReportBound(const char* text);

private:
    Messenger& ui_;
    std::vector<std::unique_ptr<ClosureLoop>>& list_;
    int first_;
    int next_;
    std::vector<const char*> reported_;
    std::vector<int> incidenceStart_;  // by node, into incidence_; one extra entry at the end
    std::vector<int> incidence_;
    std::vector<std::vector<int>> from_, to_;
    std::unordered_map<uint32_t, int> edgeOfPair_;
    // Work arrays of TracePath, kept between calls.
    std::vector<int> queue_;
    std::vector<int> parent_;
    std::vector<int> pathEdges_;
};

}  // namespace quenvar
