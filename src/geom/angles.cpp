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

namespace {

// The angle is wrapped by whole turns of FullCircle, one rounded subtraction at a time, and
// the result must stay exactly that of the step-by-step wrap. Within one binary exponent range
// every rounded subtraction takes away the same multiple of the range's unit in the last
// place, so most of the steps are taken at once and only the steps near the edges of each
// range are done one by one. Angles so large that a subtraction no longer changes them
// (from 2^56 on) are wrapped by the exact remainder instead.
constexpr double BulkFrom = 64.0;     // below this the direct steps are few
constexpr double LargestStepped = 7.205759403792794e16;  // 2^56

double SubtractTurnsWhileAbove(double a, double limit) {
    while (a > limit) {
        if (a >= BulkFrom) {
            int exponent = 0;
            std::frexp(a, &exponent);
            const double rangeStart = std::ldexp(1.0, exponent - 1);
            const double first = a - FullCircle;
            const double second = first - FullCircle;
            if (second >= rangeStart) {
                // From 'first' on each step takes away the same amount (after a tie in the
                // rounding the remaining steps keep the mantissa even, so the amount repeats).
                const double step = first - second;
                // Whole steps that keep every intermediate difference inside the range, with a
                // margin of two steps for the rounding of this estimate.
                const double room = std::floor((second - rangeStart - FullCircle) / step) - 2.0;
                a = room > 0.0 ? second - room * step : second;
                continue;
            }
        }
        a -= FullCircle;
    }
    return a;
}

}  // namespace

double NormalizeAngle(double radians) {
    if (!std::isfinite(radians)) return std::fmod(radians, FullCircle);  // NaN
    if (std::fabs(radians) >= LargestStepped) {
        const double r = std::fmod(radians, FullCircle);
        return r < 0.0 ? r + FullCircle : r;
    }
    // Below zero: add turns until the angle is not negative. Rounding to nearest is symmetric,
    // so this is the mirror image of subtracting turns from the magnitude while it is above 0.
    if (radians < 0.0) radians = 0.0 - SubtractTurnsWhileAbove(-radians, 0.0);
    return SubtractTurnsWhileAbove(radians, FullCircle);
}

}  // namespace quenvar
