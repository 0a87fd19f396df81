// Intersection of two loci of one unknown point: the point's own locus (its StationRec) and a
// new one assembled in the scratch record 0. Where the geometry leaves two points, an observed
// angle picks one; otherwise both are kept as a pending double solution.
#pragma once

#include "approx/workspace.h"

namespace quenvar {

// Locus kinds (StationRec.locus bits 0-3).
enum LocusKindCode : int {
    LocusNone = 0,
    LocusRay = 1,          // reference R, azimuth in radians
    LocusCircle = 2,       // centre R, radius in metres
    LocusAngleCircle = 3,  // P and Q seen under the angle gamma (direction to Q minus to P)
};

// A point-shaped value: X north, Y east (metres) and, in place of a height, a locus value.
struct GeoPoint {
    double x = 0.0;
    double y = 0.0;
    double value = 0.0;
};

// The reference point of a locus with the locus value.
GeoPoint LocusPoint(const Network& net, const StationRec& locus);
// The ordinary circle (centre, radius in value) on which an angle circle lies; false when the
// angle is 0 or pi or the two points coincide.
bool AngleCircle(const Network& net, const StationRec& locus, GeoPoint& circle);
// For an angle circle: 1 when c1 does not see the angle, -1 when only c1 does, 0 otherwise
// (both see it, or the locus is not an angle circle).
int CheckAngleCandidates(const Network& net, const StationRec& locus, const GeoPoint& c1, const GeoPoint& c2);

// The two candidates of a pending double solution live in the bytes of x (X1, X2) and of y
// (Y1, Y2) as 4-byte floats.
void StoreCandidates(PointRec& p, const GeoPoint& c1, const GeoPoint& c2);
void LoadCandidates(const PointRec& p, GeoPoint& c1, GeoPoint& c2);

// Keeps c1 and c2 as a double solution (2), or settles an earlier one with the new candidate
// nearer to either stored candidate (5).
int KeepDoubleSolution(Workspace& w, int u, const GeoPoint& c1, const GeoPoint& c2);
// Fixes u at c and releases the observation that had left it with two solutions → 5.
int SetPointPosition(Workspace& w, int u, const GeoPoint& c);

// Solvers by (own kind, new kind): 0 no solution, 2 double solution pending, 5 u fixed.
int IntersectRays(Workspace& w, int u);
int IntersectRayCircle(Workspace& w, int u);
int IntersectCircles(Workspace& w, int u);

}  // namespace quenvar
