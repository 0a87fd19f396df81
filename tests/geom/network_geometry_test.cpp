#include "geom/network_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

constexpr double Pi = 3.14159265358979323846;

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
