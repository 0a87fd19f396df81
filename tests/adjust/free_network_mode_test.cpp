// A network without fixed points is adjusted in the mode the user chose; an adjustment never
// changes the angle-mode setting.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

constexpr double DirSigma = 4.84813681109536e-6;  // 1 arc-second, radians
constexpr double DistSigma = 0.002;               // metres

// Six points with directions at every station and a few distances; none fixed, or
// `fixedPoint` and the one after it.
void SixPointNetwork(Network& net, int fixedPoint) {
    testing::NetworkBuilder b(net);
    std::vector<testing::TruePoint> pts = {{"N1", 1000, 1000, 0, 0.2}, {"N2", 1100, 1900, 0, 1.4},
                                           {"N3", 1800, 2300, 0, 3.0}, {"N4", 2500, 1700, 0, 4.1},
                                           {"N5", 2100, 800, 0, 5.5},  {"N6", 1700, 1500, 0, 0.9}};
    if (fixedPoint > 0) pts[size_t(fixedPoint - 1)].planeClass = pts[size_t(fixedPoint)].planeClass = 1;
    std::vector<testing::Sighting> s;
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 6; ++j)
            if (i != j && (j == 6 || i == 6 || j == i % 5 + 1 || i == j % 5 + 1)) s.push_back({i, j, KindDirection});
    for (const auto& [i, j] : {std::pair{1, 2}, {2, 3}, {3, 4}, {6, 5}, {6, 1}}) s.push_back({i, j, KindDistance});
    testing::BuildPlaneNetwork(b, pts, s, DirSigma, DistSigma, 33);
    net.hdr.dirSigma = float(DirSigma);
    net.hdr.distSigmaConst = float(DistSigma);
}

// Adjusted in the mode its header holds, the network has the coordinates, unit-weight error
// and point ellipses of the rigorous direction adjustment with inner constraints.
void ExpectRigorous(Network& net) {
    const testing::RefResult ref = testing::PlaneReference(net, 2, true);
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(net, ui, MethodIteration, int16_t(net.hdr.optionFlags & OptionAngleMode), 2), ResultDone);
    testing::ExpectPlaneReference(net, ref);
    // E^2 + F^2 = s^2 (Qxx + Qyy), E^2 - F^2 from the eigenvalues.
    int record = 1;
    for (int p = 1; p <= 6; ++p) {
        const int f = ref.first[size_t(p - 1)];
        if (f < 0) continue;
        const double qxx = ref.q(size_t(f), size_t(f)), qyy = ref.q(size_t(f) + 1, size_t(f) + 1);
        const double qxy = ref.q(size_t(f), size_t(f) + 1);
        const double k = std::sqrt((qxx - qyy) * (qxx - qyy) + 4 * qxy * qxy), s = net.hdr.planeSigma0;
        const EllipseRec& e = net.ellipses[size_t(record++)];
        EXPECT_NEAR(e.a, s * std::sqrt((qxx + qyy + k) / 2), 2e-4 * e.a) << p;
        EXPECT_NEAR(e.b, s * std::sqrt((qxx + qyy - k) / 2), 2e-4 * e.a) << p;
    }
}

TEST(FreeNetworkModeTest, DirectionAdjustmentOfAFreeNetworkIsRigorousAndLeavesTheModeAlone) {
    Network net;
    SixPointNetwork(net, 0);
    ExpectRigorous(net);
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, 0);
    // The same network with a fixed point afterwards is adjusted by directions as well.
    Network fixed;
    SixPointNetwork(fixed, 2);
    fixed.hdr.optionFlags = net.hdr.optionFlags;
    ExpectRigorous(fixed);
}

// Angle mode chosen by the user, and networks with fixed points, keep their results to the last
// bit: the fixed network's digest was taken from the adjustment that switched free networks to
// angle mode, the free network's since the corrections are refined (both storages give it).
TEST(FreeNetworkModeTest, ChosenAngleModeAndFixedNetworksKeepTheirResults) {
    Network free;
    SixPointNetwork(free, 0);
    free.hdr.optionFlags |= OptionAngleMode;
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(free, ui, MethodHuber, 1, 3, SolverKind::Packed), ResultDone);
    EXPECT_EQ(free.hdr.optionFlags & OptionAngleMode, OptionAngleMode);
    EXPECT_EQ(testing::ResultDigest(free), 0x69D09E9303BF6B5Aull);
    Network fixed;
    SixPointNetwork(fixed, 4);
    ASSERT_EQ(RunAdjustment(fixed, ui, MethodVarianceComponents, 0, 3), ResultDone);
    EXPECT_EQ(testing::ResultDigest(fixed), 0x0B5A61DFCA1D1AE5ull);
}

}  // namespace
}  // namespace quenvar
