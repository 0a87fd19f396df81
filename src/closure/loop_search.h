// Loop and route search: cuts the network into independent levelling routes (height network)
// or direction loops and routes, side conditions and traverse candidates (plane network).
// Purely topological: it reads point classes, observation kinds and classes and the
// observation chains, never coordinates or observed values.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "closure/closure_loop.h"
#include "netdb/network.h"

namespace quenvar {

class Messenger;
class SearchGraph;

// Counts of one search, for information: loops of the height pass, of the direction pass,
// side conditions, traverse candidates, triangles found.
using SearchCounts = std::array<int16_t, 5>;

// Runs the plane passes (plane = true) or the height pass and appends the loops found to list
// from position on; triangles receives the triangle table of the plane passes (or stays
// empty). The number of loops appended; 0 when there are fewer observations than points.
int16_t SearchLoops(const Network& net, Messenger& ui, std::vector<std::unique_ptr<ClosureLoop>>& list,
                    int position, std::vector<TriangleRecord>& triangles, bool plane, SearchCounts& counts);

// The edges of each pass; each observation gives at most one edge.
int BuildHeightEdges(SearchGraph& g);
int BuildDirectionEdges(SearchGraph& g);
int BuildDistanceEdges(SearchGraph& g);

// Triangles of the direction edges, with the braced-quadrilateral rule; their number.
int FindTriangles(SearchGraph& g, std::vector<TriangleRecord>& table);
// 1 when some point q < p has edges to p, a and b: the fourth triangle of a braced
// quadrilateral is dependent on the other three.
int IsBracedTriangle(const SearchGraph& g, int p, int a, int b);
// Rebuilds the graph with the triangles 1..T as nodes: triangles sharing a side with one other
// are joined directly, a side shared by three or more and every known side become pseudo-
// nodes. False, with the table emptied, when the graph outgrows its storage.
bool BuildTriangleGraph(SearchGraph& g, std::vector<TriangleRecord>& table, int triangleCount);
// 1 when both points are known plane points or a distance between them is a fixed (class 1)
// observation.
int IsKnownSide(const Network& net, int a, int b);

}  // namespace quenvar
