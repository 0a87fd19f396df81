// Check observations between two fixed points: they add nothing to the normal matrix but count
// in the redundancy and in [pvv], get their residual from the fixed coordinates and are
// re-weighted like any other observation. Networks without them keep their results.
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

constexpr double DirSigma = 7.27220521664304e-6;  // 1.5 arc-seconds, radians
constexpr double DistSigma = 0.003;               // metres

// Known A, B, C and new P, Q with directions and distances; C is held 5 cm off its true
// position when `wrongC` is set; with `check` the distance A-C is observed as well.
int CheckedTriangulation(Network& net, bool wrongC, bool check) {
    testing::NetworkBuilder b(net);
    std::vector<testing::TruePoint> pts = {{"A", 5000, 5000, 1, 0.4}, {"B", 5200, 6400, 1, 2.1},
                                           {"C", 6300, 5300, 1, 4.4}, {"P", 5900, 6100, 0, 1.3},
                                           {"Q", 5800, 4700, 0, 5.6}};
    std::vector<testing::Sighting> s = {{1, 2, 0}, {1, 4, 0}, {1, 5, 0}, {2, 1, 0}, {2, 4, 0}, {2, 3, 0},
                                        {3, 5, 0}, {3, 4, 0}, {3, 2, 0}, {4, 1, 0}, {4, 3, 0}, {4, 2, 0},
                                        {5, 3, 0}, {5, 1, 0}, {5, 4, 0}, {1, 4, 4}, {4, 3, 4}, {5, 3, 4}};
    if (check) s.push_back({1, 3, KindDistance});
    testing::BuildPlaneNetwork(b, pts, s, DirSigma, DistSigma, 21);
    if (wrongC) net.Point(3).x += 0.05;
    net.hdr.dirSigma = float(DirSigma);
    net.hdr.distSigmaConst = float(DistSigma);
    return check ? net.hdr.obsCount : 0;
}

TEST(FixedPairObservationsTest, CheckDistanceCountsInTheUnitWeightError) {
    Network net;
    const int check = CheckedTriangulation(net, true, true);
    const testing::RefResult ref = testing::PlaneReference(net, 2);
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 2), ResultDone);
    testing::ExpectPlaneReference(net, ref);
    EXPECT_GT(ref.sigma0, 5.0 * DirSigma);  // the wrong known point shows
    const double fixedLength = std::hypot(net.Point(3).x - net.Point(1).x, net.Point(3).y - net.Point(1).y);
    EXPECT_FLOAT_EQ(net.Obs(check).residual, float(fixedLength - net.Obs(check).value));
    EXPECT_NEAR(net.Obs(check).residual, 0.05 * (6300.0 - 5000.0) / fixedLength, 2e-3);
    // The adjusted check distance has no variance of its own: its residual cofactor is 1/p.
    EXPECT_EQ(CofactorOf(net, check), 0.0f);
}

// Benchmarks A (100 m) and C (103 m) with a check line between them 4 cm off, and the new P
// and Q joined to them by lines each levelled three times.
int CheckedLevelling(Network& net) {
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    b.Point("A", 0, 0, 100.000, 0, 1), b.Point("C", 0, 0, 103.000, 0, 1);
    b.Point("P", 0, 0, 101.01), b.Point("Q", 0, 0, 102.02);
    const double truth[4] = {100.0, 103.0, 101.0, 102.0};
    const int lines[5][2] = {{1, 3}, {3, 4}, {4, 2}, {1, 4}, {3, 2}};
    testing::Noise noise(8);
    for (int run = 0; run < 3; ++run)
        for (const auto& [from, to] : lines)
            b.Obs(from, to, KindLevelled, truth[to - 1] - truth[from - 1] + 0.001 * noise.Next());
    return b.Obs(1, 2, KindLevelled, 3.0400);
}

TEST(FixedPairObservationsTest, CheckLevellingLineCountsAndIsReweighted) {
    Network net;
    const int check = CheckedLevelling(net);
    std::vector<testing::RefPoint> pts;
    std::vector<testing::RefObs> obs;
    testing::ReferenceOf(net, pts, obs, [](int) { return 1.0; });
    const testing::RefResult ref = testing::RigorousAdjustment(pts, obs, false, 1);
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 2), ResultDone);
    EXPECT_EQ(ref.redundancy, 14);
    EXPECT_NEAR(net.hdr.heightSigma0, ref.sigma0, 1e-6 * ref.sigma0);
    EXPECT_NEAR(net.Point(3).h, ref.points[2].h, 1e-9);
    EXPECT_NEAR(net.Point(4).h, ref.points[3].h, 1e-9);
    EXPECT_FLOAT_EQ(net.Obs(check).residual, -0.04f);
    // Danish re-weighting takes the weight of the wrong line down and leaves the others.
    Network danish;
    CheckedLevelling(danish);
    ASSERT_EQ(RunAdjustment(danish, ui, MethodDanish, 0, 3), ResultDone);
    EXPECT_LT(WeightOf(danish, check), 0.5f);
    for (int o = 1; o < check; ++o) EXPECT_EQ(WeightOf(danish, o), 1.0f) << o;
}

// Without an observation between fixed points nothing changes, to the last bit: the digest was
// taken from the adjustment before such observations took part.
TEST(FixedPairObservationsTest, NetworkWithoutThemKeepsItsResults) {
    Network net;
    CheckedTriangulation(net, true, false);
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(net, ui, MethodDataSnooping, 0, 3), ResultDone);
    EXPECT_EQ(testing::ResultDigest(net), 0x2F1128D109AE7EA8ull);
}

}  // namespace
}  // namespace quenvar
