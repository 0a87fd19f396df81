// Angle units: radians inside the library, d.mmss (degrees.minutesseconds) outside.
#pragma once

namespace quenvar {

// The full circle and half circle used for every wrap of an azimuth or direction
// (rounded to ten decimals on purpose, not 2*pi in full precision).
inline constexpr double FullCircle = 6.2831853072;
inline constexpr double HalfCircle = 3.1415926536;
inline constexpr double DegToRad = 0.017453292519943295;
inline constexpr double RadToDeg = 57.29577951308232;

// d.mmss -> radians, keeping the sign; 12.4599999 counts as 12 deg 46 min.
double DmsToRadians(double dms);
// radians -> d.mmss, keeping the sign; seconds above 59.99 carry into the minutes.
double RadiansToDms(double radians);
// The angle brought into 0 ... FullCircle (FullCircle itself is kept).
double NormalizeAngle(double radians);

}  // namespace quenvar
