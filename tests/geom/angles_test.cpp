#include "geom/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <vector>

namespace quenvar {
namespace {

constexpr double Pi = 3.14159265358979323846;

// d.mmss both ways: sign, minutes and seconds, and seconds that round into the next minute
// or up to a full circle.
TEST(Dms, ConversionsAndTheirRoundingEdges) {
    const double deg = Pi / 180;
    EXPECT_DOUBLE_EQ(DmsToRadians(30.0), Pi / 6);
    EXPECT_DOUBLE_EQ(DmsToRadians(-30.0), -Pi / 6);
    EXPECT_TRUE(std::signbit(DmsToRadians(0.0)) && DmsToRadians(0.0) == 0.0);
    EXPECT_NEAR(DmsToRadians(123.453012), (123 + 45 / 60.0 + 30.12 / 3600.0) * deg, 1e-12);
    // 0.4599999 is 46 minutes, 0 seconds; 0.4559990 keeps 45'59.99"
    EXPECT_NEAR(DmsToRadians(0.4599999), 46.0 / 60.0 * deg, 1e-15);
    EXPECT_NEAR(DmsToRadians(0.4559990), (45 / 60.0 + 59.99 / 3600.0) * deg, 1e-12);
    EXPECT_NEAR(RadiansToDms(DmsToRadians(123.453012)), 123.453012, 1e-9);
    EXPECT_NEAR(RadiansToDms(-Pi / 6), -30.0, 1e-12);
    EXPECT_NEAR(RadiansToDms((10 + 20 / 60.0 + 59.995 / 3600.0) * deg), 10.21, 1e-12);
    EXPECT_NEAR(RadiansToDms((359 + 59 / 60.0 + 59.999 / 3600.0) * deg), 360.0, 1e-12);
}

// The wrap as a sequence of single rounded turns, which NormalizeAngle must reproduce bit for
// bit wherever the sequence ends.
double WrapTurnByTurn(double a) {
    while (a < 0.0) a += FullCircle;
    while (a > FullCircle) a -= FullCircle;
    return a;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The circle has ten decimals; the wrap equals turn-by-turn wrapping bit for bit.
TEST(NormalizeAngle, EqualsTheTurnByTurnWrapBitForBit) {
    EXPECT_DOUBLE_EQ(NormalizeAngle(-0.1), 6.1831853072);
    EXPECT_EQ(NormalizeAngle(6.2831853072), 6.2831853072);
    std::vector<double> sample;
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> decades(-4.0, 5.0);
    for (int k = 0; k < 100000; ++k) {
        const double a = std::pow(10.0, decades(random));
        sample.push_back(k % 2 ? a : -a);
    }
    // Either side of each power of two, where the rounding of a turn changes, and whole turns.
    for (int e = -2; e <= 19; ++e) {
        for (double v = std::ldexp(1.0, e), below = v, above = v; above - v < 40 * std::ldexp(1.0, e - 52);
             above = std::nextafter(above, 1e300), below = std::nextafter(below, 0.0)) {
            sample.insert(sample.end(), {above, below, -above, -below});
        }
    }
    for (int k = -3000; k <= 3000; ++k) {
        const double turns = k * FullCircle;
        sample.insert(sample.end(), {turns, std::nextafter(turns, 1e300), std::nextafter(turns, -1e300)});
    }
    sample.insert(sample.end(), {12345678.9, -23456789.1, 0.0, -0.0});
    for (double a : sample) ASSERT_TRUE(SameBits(NormalizeAngle(a), WrapTurnByTurn(a))) << a;
}

TEST(NormalizeAngle, HugeAndNonFiniteAnglesReturnAtOnce) {
    const std::clock_t start = std::clock();
    for (double a : {1e10, 3.6e16, 7.3e16, 1e300, -1e300, -std::numeric_limits<double>::max()}) {
        const double r = NormalizeAngle(a);
        EXPECT_TRUE(r >= 0.0 && r <= FullCircle) << a;
    }
    for (double a : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(std::isnan(NormalizeAngle(a)));
    }
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 0.1);
}

}  // namespace
}  // namespace quenvar
