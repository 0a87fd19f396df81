// Adjustments against the textbook reference: check observations between fixed points, free
// networks, datums of class-2 points and direction sets read across north; networks without
// these features keep their results to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/datum_constraints.h"
#include "adjust/normal_equations.h"
#include "adjust/normal_system.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "geom/network_geometry.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

using testing::RefPoint;
using testing::RefObs;

constexpr double DirSigma = 7.27220521664304e-6;     // 1.5 arc-seconds, radians
constexpr double FreeDirSigma = 4.84813681109536e-6;  // 1 arc-second

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
    testing::BuildPlaneNetwork(b, pts, s, DirSigma, 0.003, 21);
    if (wrongC) net.Point(3).x += 0.05;
    net.hdr.dirSigma = float(DirSigma);
    net.hdr.distSigmaConst = 0.003f;
    return check ? net.hdr.obsCount : 0;
}

// A check observation adds nothing to the normal matrix but counts in the redundancy and
// [pvv] and gets its residual from the fixed coordinates.
TEST(FixedPairObservations, CheckDistanceCountsInTheUnitWeightError) {
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
    EXPECT_EQ(CofactorOf(net, check), 0.0f);  // no variance of its own: residual cofactor 1/p
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

TEST(FixedPairObservations, CheckLevellingLineCountsAndIsReweighted) {
    Network net;
    const int check = CheckedLevelling(net);
    std::vector<RefPoint> pts;
    std::vector<RefObs> obs;
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

// Six points with directions at every station and a few distances (1", 2 mm); none fixed, or
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
    testing::BuildPlaneNetwork(b, pts, s, FreeDirSigma, 0.002, 33);
    net.hdr.dirSigma = float(FreeDirSigma);
    net.hdr.distSigmaConst = 0.002f;
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

// A free network is adjusted by directions as the user chose, and the mode is left alone for a
// network with fixed points adjusted afterwards.
TEST(FreeNetworkMode, DirectionAdjustmentOfAFreeNetworkIsRigorousAndLeavesTheModeAlone) {
    Network net;
    SixPointNetwork(net, 0);
    ExpectRigorous(net);
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, 0);
    Network fixed;
    SixPointNetwork(fixed, 2);
    fixed.hdr.optionFlags = net.hdr.optionFlags;
    ExpectRigorous(fixed);
}

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

TEST(PartialDatum, LevellingIsHeldByItsReferencePointsWhateverTheWeightUnit) {
    double sigma[2] = {};
    for (const double scale : {1.0, 10.0}) {
        Network net;
        MonitoringLevelling(net, true, scale);
        std::vector<RefPoint> pts;
        std::vector<RefObs> obs;
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

// Top left block of the inverse of [N C; C^T 0], C the inner constraints over the class-2
// points: the cofactor matrix of the solution whose datum those points define.
testing::Dense BorderedCofactors(const Formed& f, bool rotation) {
    const bool plane = PlaneNetwork(f.net);
    std::vector<RefPoint> pts;
    std::vector<int> first;
    for (int p = 1; p <= f.net.hdr.pointCount; ++p) {
        const PointRec& r = f.net.Point(p);
        const int k = f.map[size_t(p)];
        pts.push_back({r.x, r.y, r.h, false, (plane ? PlaneClass(r) : HeightClass(r)) == PointSpecial});
        first.push_back(k > 0 ? (plane ? 2 * k - 2 : k - 1) : -1);
    }
    const size_t n = size_t(f.n), d = plane ? 2 + rotation : 1;
    testing::Dense big(n + d, n + d);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) big(i, j) = f.plain.At(int(i) + 1, int(j) + 1);
    testing::BorderWithInnerConstraints(big, n, pts, first, plane, rotation, false);
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

// A plane grid of 392 unknowns, the monitoring network and a levelling grid of 81 points.
TEST(PartialDatum, CofactorsAreTheBorderedInverseOnBothRoutes) {
    for (const int network : {0, 1, 2}) {
        Formed f;
        if (network == 0) {
            QuasiStableGrid(f.net, 14, 7);
        } else if (network == 1) {
            MonitoringLevelling(f.net, true, 1.0);
        } else {
            testing::NetworkBuilder b(f.net);
            for (int k = 0; k < 81; ++k) b.Point("H" + std::to_string(k), 0, 0, 50.0 + 0.1 * k, 0, k % 7 ? 0 : 2);
            for (int k = 0; k < 81; ++k)
                for (const int t : {k + 1, k + 9})
                    if (t < 81 && (t == k + 9 || t % 9 != 0))
                        b.Obs(k + 1, t + 1, KindLevelled, 0.1 * (t - k) + 0.001 * (k % 3));
            f.net.hdr.heightMode = 1;
            f.net.hdr.levelSigma = 0.001f;
        }
        f.Form();
        const testing::Dense ref = BorderedCofactors(f, network == 0);
        const double tolerance = network == 0 ? 1e-8 : 1e-9;
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Sparse), tolerance) << network;
        EXPECT_LT(CofactorDeviation(f, ref, SolverKind::Packed), tolerance) << network;
    }
}

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

// A circle set near north: azimuth less direction lies on both sides of 0 and 2 pi, and the
// values are averaged as angles.
TEST(StationOrientation, ValuesAcrossNorthAreAveragedAsAngles) {
    // 4e-6, -1e-6 (read as 2 pi - 1e-6) and 3e-6 average to 2e-6; reversed, to 2 pi - 2e-6.
    EXPECT_NEAR(OrientationOf(0.0, {-4e-6, 1e-6, -3e-6}).first, 2e-6, 1e-12);
    EXPECT_NEAR(OrientationOf(0.0, {4e-6, -1e-6, 3e-6}).first, FullCircle - 2e-6, 1e-12);
    // A set away from north is averaged value by value, as plain numbers.
    const auto [orientation, mean] = OrientationOf(2.5, {4e-6, -1e-6, 3e-6});
    EXPECT_EQ(orientation, mean);
}

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

TEST(StationOrientation, NetworkWithAStationSetToNorthIsAdjustedRigorously) {
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

// Networks without the feature each case names keep their results (header included) to the
// last bit: every digest was taken from the adjustment before that feature came. The packed
// storage keeps the bits of the datum cases; the free network in angle mode gives its digest
// on both storages since the corrections are refined.
TEST(ReferenceNetworks, NetworksWithoutTheFeatureKeepTheirResults) {
    const struct {
        const char* feature;
        std::function<void(Network&)> build;
        int16_t method, angleMode, iterations;
        SolverKind solver;
        uint64_t digest;
    } cases[] = {
        {"check observations", [](Network& n) { CheckedTriangulation(n, true, false); }, MethodDataSnooping, 0, 3,
         SolverKind::Sparse, 0x2F1128D109AE7EA8ull},
        {"free network mode, angles chosen",
         [](Network& n) { SixPointNetwork(n, 0), n.hdr.optionFlags |= OptionAngleMode; }, MethodHuber, 1, 3,
         SolverKind::Packed, 0x69D09E9303BF6B5Aull},
        {"free network mode, fixed points", [](Network& n) { SixPointNetwork(n, 4); }, MethodVarianceComponents, 0, 3,
         SolverKind::Sparse, 0x0B5A61DFCA1D1AE5ull},
        {"datum of all points, levelling",
         [](Network& n) { MonitoringLevelling(n, false, 1.0), n.hdr.optionFlags |= OptionAngleMode; }, MethodIteration,
         0, 5, SolverKind::Packed, 0x8F79763FA07B4BB8ull},
        {"datum of all points, plane grid",
         [](Network& n) { QuasiStableGrid(n, 4, 0), n.hdr.optionFlags |= OptionAngleMode; }, MethodHuber,
         OptionAngleMode, 3, SolverKind::Packed, 0xEFA4E902FF495945ull},
        {"orientation across north", [](Network& n) { BacksightNetwork(n, 0.3, 1); }, MethodDanish, 0, 3,
         SolverKind::Sparse, 0x31E12229B42CF9ABull},
    };
    for (const auto& c : cases) {
        Network net;
        c.build(net);
        testing::RecordingMessenger ui;
        ASSERT_EQ(RunAdjustment(net, ui, c.method, c.angleMode, c.iterations, c.solver), ResultDone) << c.feature;
        EXPECT_EQ(testing::ResultDigest(net), c.digest) << c.feature;
    }
}

}  // namespace
}  // namespace quenvar
