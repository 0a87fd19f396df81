#include "geom/angles.h"

#include <cmath>

namespace quenvar {

double DmsToRadians(double dms) {
    const double a = std::fabs(dms);
    const double degrees = std::trunc(a);
    const double minutesAndRest = (a - degrees) * 100.0;
    const double minutes = std::trunc(minutesAndRest);
    double rest = minutesAndRest - minutes;  // rest * 100 are the seconds
    if (rest > 0.999) rest = 0.6;            // 59.99.. seconds left by rounding: next minute
    const double r = (minutes * 0.016666666666666666 + rest * 0.027777777777777776 + degrees) *
                     0.017453292519943295;
    return dms > 0.0 ? r : -r;  // an input of 0 gives -0.0
}

double RadiansToDms(double radians) {
    const double t = std::fabs(radians) * RadToDeg;
    double degrees = std::trunc(t);
    const double minutesAndRest = (t - degrees) * 60.0;
    double minutes = std::trunc(minutesAndRest);
    double seconds = (minutesAndRest - minutes) * 60.0;
    if (seconds > 59.99) {
        seconds = 0.0;
        minutes += 1.0;
    }
    if (minutes > 59.9) {
        minutes = 0.0;
        degrees += 1.0;
    }
    const double r = degrees + minutes * 0.01 + seconds * 0.0001;
    return radians < 0.0 ? -r : r;
}

double NormalizeAngle(double radians) {
    while (radians < 0.0) radians += FullCircle;
    while (radians > FullCircle) radians -= FullCircle;
    return radians;
}

}  // namespace quenvar
