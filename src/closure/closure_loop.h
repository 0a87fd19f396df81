// The loops and routes of one closure computation: the loop list, the triangle table the side
// conditions refer to, and the traverse results. They live from the computation until the
// closure window is destroyed or the closure report is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quenvar {

enum LoopKind : int {
    LoopEmpty = 0,
    LoopHeight = 1,              // levelling route
    LoopDirection = 2,           // direction loop or route between two known sides
    LoopSideCondition = 3,       // pole condition (closed) or baseline condition (connecting)
    LoopTraverse = 4,
    LoopTraverseCandidate = 5,   // becomes a traverse when its closure is computed
};

enum TraverseOrientation : int {
    TraverseClosed = 0,          // closed traverse with its closing angle observed
    TraverseUnoriented = 1,      // no orientation point at either end
    TraverseSingleOriented = 2,  // an orientation point at the start only
    TraverseOriented = 3,        // orientation points at both ends
};

struct TraverseResult {
    double fx = 0.0;    // metres; the length misclosure of an unoriented traverse
    double fy = 0.0;    // metres; 0.00001 for an unoriented traverse
    double sumS = 0.0;  // [s], sum of the distances, metres
    int16_t maxErrorSide = 0;       // element position j: the side from element j to j + 1
    int16_t maxErrorDirection = 0;  // element position, same convention
};

// One loop or route. Elements are point indices (0 for a missing orientation point of a
// traverse) or, in side conditions, triangle-graph node numbers. A count of 0 marks a loop
// that was not found or whose closure could not be computed.
struct ClosureLoop {
    std::vector<int16_t> elements;
    int16_t count = 0;
    uint16_t flags = 0;  // bits 0-1 closed, 2-4 loop kind, 5-7 traverse orientation
    double closure = 0.0;           // w: metres, radians or a pure number by kind
    double weightReciprocal = 0.0;  // n: kilometres, set-ups, angles or the sum of cot^2
    std::unique_ptr<TraverseResult> traverse;

    int Closed() const { return flags & 3; }
    int Kind() const { return (flags >> 2) & 7; }
    int Orientation() const { return (flags >> 5) & 7; }
    void SetClosed(int c) { flags = uint16_t((flags & ~3u) | (unsigned(c) & 3u)); }
    void SetKind(int k) { flags = uint16_t((flags & ~0x1Cu) | ((unsigned(k) & 7u) << 2)); }
    void SetOrientation(int o) { flags = uint16_t((flags & ~0xE0u) | ((unsigned(o) & 7u) << 5)); }
    int At(int j) const { return elements[size_t(j)]; }
};

#pragma pack(push, 1)
// A triangle p, a, b as the closed chain p-a-b-p, with a done mark per side while the triangle
// graph is built; a record whose first vertex is 0 is a pseudo-node (a known side keeps its
// two end points as second and third vertex).
struct TriangleRecord {
    uint16_t vertex[4];
    uint8_t sideDone[3];
    uint8_t unused;
};
#pragma pack(pop)
static_assert(sizeof(TriangleRecord) == 12);

// The closure subsystem's one set of loops.
struct ClosureState {
    std::vector<std::unique_ptr<ClosureLoop>> loopList;  // obsCount + 1 slots while present
    int16_t loopCount = 0;
    std::vector<TriangleRecord> triangleTable;  // record 0 empty; empty when absent

    // The loop at index i, or null outside 0 ... loopCount - 1 or for an empty slot.
    const ClosureLoop* Loop(int i) const {
        if (i < 0 || i >= loopCount || size_t(i) >= loopList.size()) return nullptr;
        return loopList[size_t(i)].get();
    }
};

}  // namespace quenvar
