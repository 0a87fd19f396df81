// Networks without fixed points whose datum is given by their class-2 points: the adjustment
// against a bordered textbook solution, the cofactor matrix against the bordered inverse of the
// same normal matrix on both inversion routes, and networks whose datum is all their points,
// which keep their results to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/datum_constraints.h"
#include "adjust/normal_system.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

// Three reference points R1-R3 (class 2 when `special`) and four monitoring points, no fixed
// point; every line carries its number of set-ups, times `setupScale`.
void MonitoringLevelling(Network& net, bool special, double setupScale) {
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    const double truth[7] = {100.000, 101.234, 99.876, 100.512, 102.107, 98.733, 101.948};
    const double start[7] = {0.012, -0.007, 0.004, 0.031, -0.022, 0.017, -0.009};
    for (int k = 0; k < 7; ++k)
        b.Point((k < 3 ? "R" : "M") + std::to_string(k < 3 ? k + 1 : k - 2), 0, 0, truth[k] + start[k], 0,
                k < 3 && special ? PointSpecial : PointUnknown);
    const int lines[11][2] = {{1, 4}, {4, 5}, {5, 2}, {2, 6}, {6, 3}, {3, 4}, {5, 7}, {7, 3}, {1, 2}, {7, 6}, {4, 7}};
    testing::Noise noise(11);
    for (int k = 0; k < 11; ++k) {
        const auto [from, to] = lines[k];
        b.Obs(from, to, KindLevelled, truth[to - 1] - truth[from - 1] + 0.0015 * noise.Next());
        b.Obs(from, to, KindSetups, setupScale * (2 + k % 5));
    }
}

TEST(PartialDatumTest, LevellingIsHeldByItsReferencePointsWhateverTheWeightUnit) {
    double sigma[2] = {};
    for (const double scale : {1.0, 10.0}) {
        Network net;
        MonitoringLevelling(net, true, scale);
        std::vector<testing::RefPoint> pts;
        std::vector<testing::RefObs> obs;
        // Each line's set-ups follow it: its weight is their inverse.
        testing::ReferenceOf(net, pts, obs, [&net](int o) { return 1.0 / net.Obs(o + 1).value; });
        const testing::RefResult ref = testing::RigorousAdjustment(pts, obs, false, 1);
        testing::RecordingMessenger ui;
        ASSERT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 5), ResultDone);
        for (int p = 1; p <= 7; ++p) EXPECT_NEAR(net.Point(p).h, ref.points[size_t(p - 1)].h, 1e-9) << p;
        EXPECT_NEAR(net.hdr.heightSigma0, ref.sigma0, 1e-6 * ref.sigma0);
        sigma[scale == 1.0 ? 0 : 1] = net.hdr.heightSigma0;
        // The reference points keep the mean of their starting heights.
        double shift = 0.0;
        for (int p = 1; p <= 3; ++p) shift += net.Point(p).h - pts[size_t(p - 1)].h;
        EXPECT_NEAR(shift, 0.0, 1e-9);
    }
    EXPECT_NEAR(sigma[1] * std::sqrt(10.0), sigma[0], 1e-6 * sigma[0]);
}

// The normal matrix of a first pass (direction mode) with and without its datum terms.
struct Formed {
    Network net;
    UnknownMap map;
    NormalMatrix plain, withDatum;
    int n = 0;

    void Form() {
        testing::RecordingMessenger ui;
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, ui, map);
        ASSERT_TRUE(SetObservationWeights(net, map) == 1 && plain.Allocate(n + 1) && withDatum.Allocate(n + 1));
        ASSERT_GT(FormNormalEquations(net, plain, n, map, false), 0);
        std::copy_n(plain.Row(1), PackedSize(n + 1), withDatum.Row(1));
        ASSERT_GT(AddDatumConstraints(net, withDatum, map, +1.0), 0);
    }
};

// Top left block of the inverse of [N C; C^T 0], C spanning translation (and in the plane
// network rotation and scale as asked) over the class-2 points: the cofactor matrix of the
// solution whose datum those points define.
testing::Dense BorderedCofactors(const Formed& f, bool rotation, bool scale) {
    const Network& net = f.net;
    const bool plane = PlaneNetwork(net);
    const size_t n = size_t(f.n), d = plane ? 2 + rotation + scale : 1;
    testing::Dense big(n + d, n + d);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) big(i, j) = f.plain.At(int(i) + 1, int(j) + 1);
    double mx = 0, my = 0, c = 0;
    for (int p = 1; p <= net.hdr.pointCount; ++p)
        if ((plane ? PlaneClass(net.Point(p)) : HeightClass(net.Point(p))) == PointSpecial)
            mx += net.Point(p).x, my += net.Point(p).y, c += 1;
    mx /= c, my /= c;
    for (int p = 1; p <= net.hdr.pointCount; ++p) {
        if ((plane ? PlaneClass(net.Point(p)) : HeightClass(net.Point(p))) != PointSpecial) continue;
        const size_t k = size_t(f.map[size_t(p)]);
        if (!plane) {
            big(k - 1, n) = big(n, k - 1) = 1.0;
            continue;
        }
        const double ex = net.Point(p).x - mx, ey = net.Point(p).y - my;
        const size_t x = 2 * k - 2, y = 2 * k - 1;
        size_t col = n;
        big(x, col) = big(col, x) = 1.0, ++col;
        big(y, col) = big(col, y) = 1.0, ++col;
        if (rotation) big(x, col) = big(col, x) = -ey, big(y, col) = big(col, y) = ex, ++col;
        if (scale) big(x, col) = big(col, x) = ex, big(y, col) = big(col, y) = ey;
    }
    return testing::Inverse(big);
}

// Largest difference of the cofactors left by the driver's steps from the reference,
// relative to the reference's diagonal.
double CofactorDeviation(Formed& f, const testing::Dense& ref, SolverKind solver) {
    const std::unique_ptr<NormalSystem> q = MakeNormalSystem(solver);
    EXPECT_TRUE(q->Prepare(f.net, f.map, f.n));
    EXPECT_GT(q->BeginPass(f.net, f.map), 0);
    EXPECT_GT(FormNormalEquations(f.net, *q, f.n, f.map, false), 0);
    EXPECT_EQ(q->Solve(), 1);
    double worst = 0.0;
    for (int j = 1; j <= f.n; ++j)
        for (int i = j; i <= f.n; ++i)
            worst = std::max(worst, std::fabs(q->Cofactor(i, j) - ref(size_t(i - 1), size_t(j - 1))) /
                                        std::sqrt(ref(size_t(i - 1), size_t(i - 1)) * ref(size_t(j - 1), size_t(j - 1))));
    return worst;
}

// A side x side grid, 300 m spacing, no fixed point, every `every`-th point of class 2 (none
// for 0): directions to the neighbours and distances to the east and north.
void QuasiStableGrid(Network& net, int side, int every) {
    testing::NetworkBuilder b(net);
    std::vector<std::string> names;
    std::vector<testing::TruePoint> pts;
    std::vector<testing::Sighting> sightings;
    for (int k = 0; k < side * side; ++k) names.push_back("G" + std::to_string(k));
    for (int k = 0; k < side * side; ++k) {
        const int r = k / side, c = k % side;
        pts.push_back({names[size_t(k)].c_str(), 4000.0 + 300.0 * r + 7.0 * std::sin(k), 2000.0 + 300.0 * c,
                       every > 0 && k % every == 0 ? PointSpecial : PointUnknown, 0.3 * k});
        const int dr[4] = {1, -1, 0, 0}, dc[4] = {0, 0, 1, -1};
        for (int e = 0; e < 4; ++e) {
            const int r2 = r + dr[e], c2 = c + dc[e];
            if (r2 < 0 || c2 < 0 || r2 >= side || c2 >= side) continue;
            sightings.push_back({k + 1, r2 * side + c2 + 1, KindDirection});
            if (e == 0 || e == 2) sightings.push_back({k + 1, r2 * side + c2 + 1, KindDistance});
        }
    }
    testing::BuildPlaneNetwork(b, pts, sightings, 5e-6, 0.002, 7, 0.03);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.003f;
}

TEST(PartialDatumTest, CofactorsAreTheBorderedInverseOnBothRoutes) {
    {
        Formed f;
        QuasiStableGrid(f.net, 14, 7);  // 392 unknowns
        f.Form();
        const testing::Dense ref = BorderedCofactors(f, true, false);
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Sparse), 1e-8);
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Packed), 1e-8);
    }
    // The monitoring network, and a levelling grid of 81 points.
    for (const bool grid : {false, true}) {
        Formed f;
        if (grid) {
            testing::NetworkBuilder b(f.net);
            for (int k = 0; k < 81; ++k) b.Point("H" + std::to_string(k), 0, 0, 50.0 + 0.1 * k, 0, k % 7 ? 0 : 2);
            for (int k = 0; k < 81; ++k)
                for (const int t : {k + 1, k + 9})
                    if (t < 81 && (t == k + 9 || t % 9 != 0))
                        b.Obs(k + 1, t + 1, KindLevelled, 0.1 * (t - k) + 0.001 * (k % 3));
            f.net.hdr.heightMode = 1;
            f.net.hdr.levelSigma = 0.001f;
        } else {
            MonitoringLevelling(f.net, true, 1.0);
        }
        f.Form();
        const testing::Dense ref = BorderedCofactors(f, false, false);
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Sparse), 1e-9) << grid;
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Packed), 1e-9) << grid;
    }
}

// When every unknown point defines the datum the results stay as they were, to the last bit:
// the digests were taken from the adjustment that subtracted the datum terms over the datum
// points alone, which is then the same thing. (That adjustment also set the angle-mode bit of
// every free network; here the user has set it.) The packed storage keeps those bits.
TEST(PartialDatumTest, DatumOfAllPointsKeepsItsResults) {
    Network level;
    MonitoringLevelling(level, false, 1.0);
    level.hdr.optionFlags |= OptionAngleMode;
    testing::RecordingMessenger ui;
    ASSERT_EQ(RunAdjustment(level, ui, MethodIteration, 0, 5, SolverKind::Packed), ResultDone);
    EXPECT_EQ(testing::ResultDigest(level), 0x8F79763FA07B4BB8ull);
    Network grid;
    QuasiStableGrid(grid, 4, 0);
    grid.hdr.optionFlags |= OptionAngleMode;
    ASSERT_EQ(RunAdjustment(grid, ui, MethodHuber, OptionAngleMode, 3, SolverKind::Packed), ResultDone);
    EXPECT_EQ(testing::ResultDigest(grid), 0xEFA4E902FF495945ull);
}

}  // namespace
}  // namespace quenvar
