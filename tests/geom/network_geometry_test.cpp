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

TEST_F(GeometryTest, AzimuthsFollowNorthClockwise) {
    const int a = b.Point("A", 100, 100);
    const int s = b.Point("S", 50, 100);
    const int w = b.Point("W", 100, 40);
    const int ne = b.Point("NE", 110, 110);
    EXPECT_EQ(AzimuthBetween(net, a, a), 0.0);
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, s), Pi);
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, w), 3 * Pi / 2 - (2 * Pi - FullCircle));
    EXPECT_DOUBLE_EQ(AzimuthBetween(net, a, ne), Pi / 4);
    EXPECT_EQ(AzimuthBetween(net, 0, a), 0.0);
}

TEST_F(GeometryTest, CoordinatesAndHeightsAreMissingWhenZeroOrExcluded) {
    const int a = b.Point("A", 3, 4);
    const int z = b.Point("Z", 0.0, 5, 0.0);
    const int x = b.Point("X", 6, 8, 10.0, PointExcluded, PointExcluded);
    const int h = b.Point("H", 0, 0, 12.5);
    EXPECT_DOUBLE_EQ(DistanceBetween(net, a, x), 0.0);
    EXPECT_EQ(DistanceBetween(net, a, z), 0.0);
    EXPECT_EQ(DistanceBetween(net, a, a), 0.0);
    EXPECT_FALSE(HasHeight(net, x));
    EXPECT_TRUE(HasHeight(net, h));
    const int c = b.Point("C", 6, 8);
    EXPECT_DOUBLE_EQ(DistanceBetween(net, a, c), 5.0);
    SetFixState(net.Point(c), FixDouble);
    EXPECT_FALSE(HasPlaneCoords(net, c));
}

TEST_F(GeometryTest, PolarConversionsAndTheirRefusals) {
    double d = -1, ang = 42;
    EXPECT_EQ(PolarFromDelta(0, 0, d, ang), 0);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(ang, 42);
    EXPECT_EQ(PolarFromDelta(-3, -4, d, ang), 1);
    EXPECT_DOUBLE_EQ(d, 5);
    EXPECT_DOUBLE_EQ(ang, std::atan2(-4, -3));
    PointRec from{}, to{};
    from.x = 10;
    from.y = 20;
    EXPECT_EQ(PointFromPolar(0.0, 1.0, from, to), 0);
    EXPECT_EQ(+to.x, 0.0);
    EXPECT_EQ(PointFromPolar(2.0, Pi / 2, from, to), 1);
    EXPECT_NEAR(to.x, 10, 1e-12);
    EXPECT_DOUBLE_EQ(to.y, 22);
}

TEST_F(GeometryTest, ChainLookupsPickTheReadingOfTheSameSet) {
    const int s = b.Point("S", 1, 1);
    const int t = b.Point("T", 2, 2);
    const int u = b.Point("U", 0, 0);
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
    EXPECT_EQ(ObservationRole(net, 0, KindLevelled), 7);
    EXPECT_EQ(ObservationRole(net, 2, KindDirection), 2);
    EXPECT_EQ(ObservationRole(net, 4, KindDistance), 99);
    EXPECT_EQ(ObservationRole(net, -1, KindAzimuth), -1);
    net.hdr.heightMode = 1;
    EXPECT_EQ(ObservationRole(net, 0, KindLevelled), 99);
    EXPECT_EQ(ObservationRole(net, 1, KindTrigHeight), 99);
    EXPECT_EQ(ObservationRole(net, 0, KindDirection), 7);
}

TEST_F(GeometryTest, OrientStationUsesTheFirstClassZeroDirectionToAKnownPoint) {
    const int s = b.Point("S", 100, 100);
    const int t1 = b.Point("T1", 0, 0);
    const int t2 = b.Point("T2", 200, 200);
    const int t3 = b.Point("T3", 100, 300);
    b.Obs(s, t1, KindDirection, 0.0);                     // no coordinates
    b.Obs(s, t2, KindDirection, 0.2, ClassFixed);         // class 1 is passed over
    const int o = b.Obs(s, t3, KindDirection, 0.5);
    EXPECT_EQ(OrientStation(net, s), 3);
    EXPECT_DOUBLE_EQ(net.Station(s).orientation, Pi / 2 - 0.5);
    EXPECT_EQ(OrientState(net.Station(s)), 1);
    EXPECT_EQ(StateBits(net.Obs(o)), 3);
    EXPECT_EQ(OrientStation(net, s), 0);  // already oriented
    EXPECT_EQ(OrientStation(net, t1), 0);
}

}  // namespace
}  // namespace quenvar
