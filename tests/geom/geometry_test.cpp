// Angles in d.mmss and on the ten-decimal circle, and the geometry of a network: azimuths,
// distances, polar conversions, observation look-ups and station orientation.
#include "geom/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <vector>

#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"

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


class GeometryTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
};

TEST_F(GeometryTest, AzimuthsDistancesAndMissingCoordinates) {
    const int a = b.Point("A", 100, 100), s = b.Point("S", 50, 100), w = b.Point("W", 100, 40);
    const int ne = b.Point("NE", 110, 110), c = b.Point("C", 103, 104), z = b.Point("Z", 0.0, 5, 0.0);
    const int x = b.Point("X", 106, 108, 10.0, PointExcluded, PointExcluded), h = b.Point("H", 0, 0, 12.5);
    // North clockwise; the wrap to 0 .. 2 pi uses the ten-decimal circle.
    EXPECT_EQ(AzimuthBetween(net, a, a), 0.0);
    EXPECT_EQ(AzimuthBetween(net, 0, a), 0.0);
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, s), Pi);
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, w), 3 * Pi / 2 - (2 * Pi - FullCircle));
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, ne), Pi / 4);
    // Zero or excluded coordinates count as missing.
    EXPECT_DOUBLE_EQ(DistanceBetween(net, a, c), 5.0);
    for (const int t : {x, z, a}) EXPECT_EQ(DistanceBetween(net, a, t), 0.0) << t;
    EXPECT_FALSE(HasHeight(net, x));
    EXPECT_TRUE(HasHeight(net, h));
    SetFixState(net.Point(c), FixDouble);
    EXPECT_FALSE(HasPlaneCoords(net, c));
}

TEST_F(GeometryTest, PolarConversionsAndTheirRefusals) {
    double d = -1, ang = 42;
    EXPECT_EQ(PolarFromDelta(0, 0, d, ang), 0);
    EXPECT_EQ(std::pair(d, ang), std::pair(0.0, 42.0));
    EXPECT_EQ(PolarFromDelta(-3, -4, d, ang), 1);
    EXPECT_DOUBLE_EQ(d, 5);
    EXPECT_DOUBLE_EQ(ang, std::atan2(-4, -3));
    PointRec from{}, to{};
    from.x = 10, from.y = 20;
    EXPECT_EQ(PointFromPolar(0.0, 1.0, from, to), 0);
    EXPECT_EQ(+to.x, 0.0);
    EXPECT_EQ(PointFromPolar(2.0, Pi / 2, from, to), 1);
    EXPECT_NEAR(to.x, 10, 1e-12);
    EXPECT_DOUBLE_EQ(to.y, 22);
}

TEST_F(GeometryTest, ChainLookupsPickTheReadingOfTheSameSet) {
    const int s = b.Point("S", 1, 1), t = b.Point("T", 2, 2), u = b.Point("U", 0, 0);
    // observations 1..14 at s; matching directions to t at 5, 9 and 14
    for (int i = 1; i <= 14; ++i) {
        const bool match = i == 5 || i == 9 || i == 14;
        b.Obs(s, match ? t : u, KindDirection, i * 0.1, i == 2 ? ClassRejected : ClassOrdinary);
    }
    EXPECT_EQ(FindObservationNear(net, s, t, 10, KindDirection), 9);
    EXPECT_EQ(FindObservationNear(net, s, t, 3, KindDirection), 5);
    EXPECT_EQ(FindObservationNear(net, s, t, 20, KindDirection), 14);
    EXPECT_DOUBLE_EQ(ObservationValueNear(net, s, t, 10, KindDirection), 0.9);
    EXPECT_EQ(FindObservation(net, s, t, KindDirection), 5);
    EXPECT_EQ(FindObservation(net, s, t, KindDistance), 0);
    EXPECT_EQ(ObservationValue(net, s, t, KindDistance), 0.0);
    EXPECT_EQ(FirstObservationOfKind(net, KindDirection), 1);
    EXPECT_EQ(FindObservationToKnown(net, s, 0, KindDirection), 5);
    EXPECT_EQ(FindObservationToKnown(net, s, 5, KindDirection), 0);
    EXPECT_EQ(FindObservationToKnown(net, s, 1, KindDirection), 0);  // chain begins at stopAt
}

TEST_F(GeometryTest, ObservationRoleByNetworkType) {
    const int plane[][3] = {{0, KindLevelled, 7}, {2, KindDirection, 2}, {4, KindDistance, 99}, {-1, KindAzimuth, -1}};
    const int height[][3] = {{0, KindLevelled, 99}, {1, KindTrigHeight, 99}, {0, KindDirection, 7}};
    for (const auto& [cls, kind, role] : plane) EXPECT_EQ(ObservationRole(net, cls, kind), role) << cls << " " << kind;
    net.hdr.heightMode = 1;
    for (const auto& [cls, kind, role] : height) EXPECT_EQ(ObservationRole(net, cls, kind), role) << cls << " " << kind;
}

TEST_F(GeometryTest, OrientStationUsesTheFirstClassZeroDirectionToAKnownPoint) {
    const int s = b.Point("S", 100, 100), t1 = b.Point("T1", 0, 0), t2 = b.Point("T2", 200, 200);
    const int t3 = b.Point("T3", 100, 300);
    b.Obs(s, t1, KindDirection, 0.0);              // no coordinates
    b.Obs(s, t2, KindDirection, 0.2, ClassFixed);  // class 1 is passed over
    const int o = b.Obs(s, t3, KindDirection, 0.5);
    EXPECT_EQ(OrientStation(net, s), 3);
    EXPECT_DOUBLE_EQ(net.Station(s).orientation, Pi / 2 - 0.5);
    EXPECT_EQ(std::pair(OrientState(net.Station(s)), StateBits(net.Obs(o))), std::pair(1, 3));
    EXPECT_EQ(OrientStation(net, s), 0);  // already oriented
    EXPECT_EQ(OrientStation(net, t1), 0);
}

}  // namespace
}  // namespace quenvar
