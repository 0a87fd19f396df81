// The approximate orientation of a direction set whose circle was set near north: its values
// (azimuth less direction) lie on both sides of 0 and 2 pi and are averaged as angles.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

// Station S and three targets; the directions are the azimuths less `zero` plus the given
// errors (radians). The orientation computed, and the plain mean of the values.
std::pair<double, double> OrientationOf(double zero, const double (&errors)[3]) {
    Network net;
    testing::NetworkBuilder b(net);
    const int s = b.Point("S", 1000, 1000, 0, 1);
    const double targets[3][2] = {{1500, 1100}, {900, 1600}, {700, 800}};
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        const int t = b.Point("T" + std::to_string(k), targets[k][0], targets[k][1], 0, 1);
        const int o = b.Obs(s, t, KindDirection, NormalizeAngle(AzimuthBetween(net, s, t) - zero + errors[k]));
        sum += NormalizeAngle(AzimuthBetween(net, s, t) - net.Obs(o).value);
    }
    StationOrientation(net, s);
    return {net.Station(s).orientation, sum / 3};
}

TEST(StationOrientationTest, ValuesAcrossNorthAreAveragedAsAngles) {
    // Azimuth less direction: 4e-6, -1e-6 (read as 2 pi - 1e-6) and 3e-6; their mean as
    // angles is 2e-6; with the errors reversed it is -2e-6, brought into 0 .. 2 pi.
    EXPECT_NEAR(OrientationOf(0.0, {-4e-6, 1e-6, -3e-6}).first, 2e-6, 1e-12);
    EXPECT_NEAR(OrientationOf(0.0, {4e-6, -1e-6, 3e-6}).first, FullCircle - 2e-6, 1e-12);
    // A set away from north is averaged value by value, as plain numbers.
    const auto [orientation, mean] = OrientationOf(2.5, {4e-6, -1e-6, 3e-6});
    EXPECT_EQ(orientation, mean);
}

constexpr double DirSigma = 7.27220521664304e-6;  // 1.5 arc-seconds, radians

// Known K1-K3 and new N1, N2; K1's circle is set to north (orientation 0) or to `k1Zero`.
void BacksightNetwork(Network& net, double k1Zero, unsigned seed) {
    testing::NetworkBuilder b(net);
    std::vector<testing::TruePoint> pts = {{"K1", 3000, 3000, 1, k1Zero}, {"K2", 3900, 3400, 1, 2.2},
                                           {"K3", 3200, 4300, 1, 4.0},    {"N1", 3700, 4100, 0, 1.1},
                                           {"N2", 2400, 2700, 0, 5.1}};
    std::vector<testing::Sighting> s = {{1, 2, 0}, {1, 4, 0}, {1, 3, 0}, {1, 5, 0}, {2, 1, 0}, {2, 4, 0},
                                        {2, 3, 0}, {3, 5, 0}, {3, 4, 0}, {3, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                        {4, 1, 0}, {5, 1, 0}, {5, 3, 0}, {1, 4, 4}, {1, 5, 4}};
    testing::BuildPlaneNetwork(b, pts, s, DirSigma, 0.003, seed);
    net.hdr.dirSigma = float(DirSigma);
    net.hdr.distSigmaConst = 0.003f;
}

// Azimuth less direction at K1 on both sides of north, as the seed gives them.
bool StraddlesNorth(const Network& net) {
    bool below = false, above = false;
    for (int o = net.Point(1).firstObs; o != 0; o = net.Obs(o).next) {
        if (KindOf(net.Obs(o)) != KindDirection) continue;
        const double v = NormalizeAngle(AzimuthBetween(net, 1, net.Obs(o).target) - net.Obs(o).value);
        (v > HalfCircle ? above : below) = true;
    }
    return below && above;
}

TEST(StationOrientationTest, NetworkWithAStationSetToNorthIsAdjustedRigorously) {
    int straddling = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        Network net;
        BacksightNetwork(net, 0.0, seed);
        if (!StraddlesNorth(net)) continue;
        ++straddling;
        SCOPED_TRACE(seed);
        const testing::RefResult ref = testing::PlaneReference(net, 2);
        testing::RecordingMessenger ui;
        ASSERT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 2), ResultDone);
        testing::ExpectPlaneReference(net, ref);
    }
    EXPECT_GE(straddling, 2);
}

// A circle set away from north keeps its results to the last bit: the digest was taken from the
// adjustment that averaged the values as plain numbers.
TEST(StationOrientationTest, SetsAwayFromNorthKeepTheirResults) {
    Network net;
    BacksightNetwork(net, 0.3, 1);
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(net, ui, MethodDanish, 0, 3), ResultDone);
    EXPECT_EQ(testing::ResultDigest(net), 0x31E12229B42CF9ABull);
}

}  // namespace
}  // namespace quenvar
