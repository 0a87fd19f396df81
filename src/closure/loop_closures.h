// Closures by loop kind: the misclosure w and the weight reciprocal n of a levelling route
// (metres, kilometres or set-ups), a direction loop or route (radians, number of angles), a
// pole or baseline condition (pure number, sum of cot^2 of the angles used) and a traverse
// (its angular closure, then fx, fy, [s] and the sides most likely in error). Angles are
// radians, lengths metres.
#pragma once

#include <cstdint>
#include <vector>

#include "closure/closure_loop.h"
#include "netdb/network.h"

namespace quenvar {

// The wrap limit of a direction closure: the full circle less 0.2.
inline constexpr double DirectionWrapLimit = 6.0831853072;

// Nonzero when the closure of loop was computed (a traverse candidate becomes a traverse).
int16_t ComputeLoopClosure(const Network& net, ClosureLoop& loop, const std::vector<TriangleRecord>& triangles);

int HeightClosure(const Network& net, ClosureLoop& loop);
int DirectionClosure(const Network& net, ClosureLoop& loop);
int SideConditionClosure(const Network& net, ClosureLoop& loop, const std::vector<TriangleRecord>& triangles);
int TraverseClosure(const Network& net, ClosureLoop& loop);

// Angle at station s from target a to target b (radians, 0 ... 2 pi) from the directions
// observed at s; 0.0 when either is missing.
double AngleAtStation(const Network& net, int a, int s, int b);
// The height difference a -> b: levelled first, then trigonometric, then either one observed
// the other way round and negated; 0.0 without any.
double StepHeightDifference(const Network& net, int a, int b);
// Weight of a route step: set-ups when observed, otherwise the line length, a distance or the
// coordinate distance in kilometres; 1.0 when nothing is known.
double StepRouteLength(const Network& net, int a, int b);
double ObservedDistance(const Network& net, int a, int b);
double KnownSideLength(const Network& net, int a, int b);
// The two corners triangles A and B have in common, in the order of A's vertices; 1 when
// there are two.
int CommonSide(const TriangleRecord& A, const TriangleRecord& B, int& u, int& v);
// The first known plane point q observed by direction from e, other than n, with an angle at e
// between q and n; 0 if none.
int FindOrientationPoint(const Network& net, int e, int n);
void ReverseLoop(ClosureLoop& loop);

}  // namespace quenvar
