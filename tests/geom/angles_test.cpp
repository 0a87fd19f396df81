#include "geom/angles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quenvar {
namespace {

constexpr double Pi = 3.14159265358979323846;

TEST(DmsToRadians, WholeDegreesAndSign) {
    EXPECT_DOUBLE_EQ(DmsToRadians(30.0), Pi / 6);
    EXPECT_DOUBLE_EQ(DmsToRadians(-30.0), -Pi / 6);
    EXPECT_TRUE(std::signbit(DmsToRadians(0.0)));
    EXPECT_EQ(DmsToRadians(0.0), 0.0);
}

TEST(DmsToRadians, MinutesSecondsAndTheRoundingEdge) {
    // 123 deg 45 min 30.12 sec
    EXPECT_NEAR(DmsToRadians(123.453012), (123 + 45 / 60.0 + 30.12 / 3600.0) * Pi / 180, 1e-12);
    // 0.4599999 is 46 minutes, 0 seconds; 0.4559990 keeps 45'59.99"
    EXPECT_NEAR(DmsToRadians(0.4599999), 46.0 / 60.0 * Pi / 180, 1e-15);
    EXPECT_NEAR(DmsToRadians(0.4559990), (45 / 60.0 + 59.99 / 3600.0) * Pi / 180, 1e-12);
}

TEST(RadiansToDms, CarriesSecondsAndMinutes) {
    EXPECT_NEAR(RadiansToDms(DmsToRadians(123.453012)), 123.453012, 1e-9);
    EXPECT_NEAR(RadiansToDms(-Pi / 6), -30.0, 1e-12);
    // seconds of 59.995 round up into the next minute with 0 seconds
    EXPECT_NEAR(RadiansToDms((10 + 20 / 60.0 + 59.995 / 3600.0) * Pi / 180), 10.21, 1e-12);
    // 359 deg 59 min 59.999 sec becomes 360.0000
    EXPECT_NEAR(RadiansToDms((359 + 59 / 60.0 + 59.999 / 3600.0) * Pi / 180), 360.0, 1e-12);
}

TEST(NormalizeAngle, WrapsWithTheTenDecimalCircle) {
    EXPECT_DOUBLE_EQ(NormalizeAngle(-0.1), 6.1831853072);
    EXPECT_EQ(NormalizeAngle(6.2831853072), 6.2831853072);
    EXPECT_DOUBLE_EQ(NormalizeAngle(13.0), 13.0 - 2 * 6.2831853072);
    EXPECT_EQ(NormalizeAngle(1.0), 1.0);
}

}  // namespace
}  // namespace quenvar
