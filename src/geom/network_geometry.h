// Azimuths, distances, polar conversions and look-ups of observations along a station's
// chain, on the points and observations of one network.
#pragma once

#include <cstdint>

#include "netdb/network.h"

namespace quenvar {

// Plane coordinates present: no pending double solution, x and y non-zero, class not 7.
bool HasPlaneCoords(const Network& net, int point);
// Height present: h non-zero, height class not 7.
bool HasHeight(const Network& net, int point);
// Azimuth from -> to, radians in 0 ... 2pi (X north, Y east); 0.0 when an index is 0.
double AzimuthBetween(const Network& net, int from, int to);
// Horizontal distance, metres; 0.0 when a == b or a point lacks plane coordinates.
double DistanceBetween(const Network& net, int a, int b);
// Distance and angle atan2(dy, dx) (radians, -pi ... pi) of a coordinate difference; 0 and
// the angle untouched when the distance is exactly 0.
int PolarFromDelta(double dx, double dy, double& distance, double& angle);
// Puts target at distance (metres) and azimuth (radians) from `from`; 0 when distance <= 0.
int PointFromPolar(double distance, double azimuth, PointRec from, PointRec& target);

// An observation takes part when its class is 0, 1 or 4.
bool TakesPart(const ObsRec& o);

int FindObservation(const Network& net, int station, int target, int kind);
double ObservationValue(const Network& net, int station, int target, int kind);
// The matching reading of the same set as observation `limit`: the last one with index
// <= limit, else the first one after it.
int FindObservationNear(const Network& net, int station, int target, int limit, int kind);
double ObservationValueNear(const Network& net, int station, int target, int limit, int kind);
// The first observation of the chain (before stopAt) of that kind whose target has plane
// coordinates and is not `other` (0: any).
int FindObservationToKnown(const Network& net, int station, int stopAt, int kind, int other = 0);
// The first observation in the whole array that takes part and has that kind.
int FirstObservationOfKind(const Network& net, int kind);
// 7 when the kind is not of the current network type; the class when it does not take part;
// 99 when the observation takes part.
int ObservationRole(const Network& net, int obsClass, int kind);
// Orients an unoriented station with coordinates from its first class-0 direction to a point
// with coordinates: 3 when oriented, else 0.
int OrientStation(Network& net, int station);

}  // namespace quenvar
