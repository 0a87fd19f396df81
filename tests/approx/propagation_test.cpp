// Records the propagation must pass over (a-priori error records, verbatim and rejected
// observations) and repeated directions at an unoriented station.
#include <gtest/gtest.h>

#include <cmath>

#include "approx/calculate.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

// Known K1 (1000, 1000) and K2 due east of it; P at 500 m from K1 in the direction of
// (1300, 1400), fixed by a direction and a distance from K1. A record of class `recordClass`
// of kind distance with the value 0.003 m comes before the distance when recordClass >= 0.
int DirectionAndDistance(Network& net, int recordClass) {
    testing::NetworkBuilder b(net);
    const int k1 = b.Point("K1", 1000, 1000, 0, 1), k2 = b.Point("K2", 1000, 2000, 0, 1), p = b.Point("P", 0, 0);
    b.Obs(k1, k2, KindDirection, 1.5707963267948966);
    b.Obs(k1, p, KindDirection, std::atan2(400.0, 300.0));
    if (recordClass >= 0) b.Obs(k1, p, KindDistance, 0.003, recordClass);
    b.Obs(k1, p, KindDistance, 500.0);
    return p;
}

TEST(PropagationTest, ErrorRecordsAndSetAsideObservationsGiveNoLocus) {
    for (const int cls : {ClassVerbatim, ClassSigma, ClassRejected}) {
        Network net;
        const int p = DirectionAndDistance(net, cls);
        testing::RecordingMessenger ui;
        ASSERT_EQ(Calculate(net, ui), 1);
        EXPECT_NEAR(net.Point(p).x, 1300.0, 1e-9) << cls;
        EXPECT_NEAR(net.Point(p).y, 1400.0, 1e-9) << cls;
    }
    // A planned distance is used: a design network gets its starts from planned observations.
    Network net;
    testing::NetworkBuilder b(net);
    const int k1 = b.Point("K1", 1000, 1000, 0, 1), k2 = b.Point("K2", 1000, 2000, 0, 1), p = b.Point("P", 0, 0);
    b.Obs(k1, k2, KindDirection, 1.5707963267948966);
    b.Obs(k1, p, KindDirection, std::atan2(400.0, 300.0));
    b.Obs(k1, p, KindDistance, 500.0, ClassPlanned);
    ASSERT_EQ(Calculate(net, b.ui()), 1);
    EXPECT_NEAR(net.Point(p).x, 1300.0, 1e-9);
}

// Unknown R at (2000, 2000) with directions (circle zero in azimuth 0.4) to the known K1, K2,
// K3, the first one repeated when `repeat` is set.
int Resection(Network& net, bool repeat) {
    testing::NetworkBuilder b(net);
    const double known[3][2] = {{3000, 2100}, {1900, 3200}, {1200, 1300}};
    const int r = b.Point("R", 0, 0);
    for (int k = 0; k < 3; ++k) b.Point("K" + std::to_string(k + 1), known[k][0], known[k][1], 0, 1);
    for (int k = 0; k < 3; ++k) {
        const double az = std::atan2(known[k][1] - 2000.0, known[k][0] - 2000.0);
        b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4));
        if (k == 0 && repeat) b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4 + 2e-6));
    }
    return r;
}

TEST(PropagationTest, RepeatedDirectionAtAnUnorientedStationStillGivesAResection) {
    Network net;
    const int r = Resection(net, true);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_TRUE(HasPlaneCoords(net, r));
    EXPECT_NEAR(net.Point(r).x, 2000.0, 1e-6);
    EXPECT_NEAR(net.Point(r).y, 2000.0, 1e-6);
    EXPECT_TRUE(ui.Texts().empty());
}

// Networks without such records or repetitions keep their results to the last bit: the
// digests were taken from the calculation before the change.
TEST(PropagationTest, OtherNetworksKeepTheirResults) {
    Network plain;
    DirectionAndDistance(plain, -1);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(plain, ui), 1);
    EXPECT_EQ(testing::ResultDigest(plain), 0x370677232956AB5Full);
    Network resection;
    Resection(resection, false);
    ASSERT_EQ(Calculate(resection, ui), 1);
    EXPECT_EQ(testing::ResultDigest(resection), 0x8889066623086B9Dull);
}

}  // namespace
}  // namespace quenvar
