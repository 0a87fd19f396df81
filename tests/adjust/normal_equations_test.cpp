// A-priori errors into the header, the observation weights, the equation counts of direction
// and angle mode, and the normal equations of direction sets with their orientations
// eliminated: against explicit orientation unknowns and against the reduced rows one by one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

#include "adjust/adjusted_cofactors.h"
#include "adjust/adjustment_driver.h"
#include "adjust/adjustment_parameters.h"
#include "adjust/corrections.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_rows.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "geom/angles.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"

namespace quenvar {
namespace {

constexpr double ArcSecond = 3.14159265358979323846 / 648000.0;  // radians

TEST(SetAdjustmentParam, EachKindInItsUnitToTheOrdinaryOrClassFourFieldAlone) {
    const struct {
        int kind, which;
        double value;
        size_t field;  // byte offset of the field in the packed header, 0 for none
        float stored;
    } cases[] = {
        {ParamDirection, 0, 2.0, offsetof(NetHeader, dirSigma), float(2 * ArcSecond)},
        {ParamDirection, 1, 130.0, offsetof(NetHeader, dirSigma4), float(130 * ArcSecond)},
        {ParamDistanceFixed, 0, 3.0, offsetof(NetHeader, distSigmaConst), 0.003f},
        {ParamDistanceFixed, 1, 5.0, offsetof(NetHeader, distSigmaConst4), 0.005f},
        {ParamDistancePpm, 0, 2.5, offsetof(NetHeader, distSigmaPpm), 2.5f},
        {ParamDistancePpm, 7, 4.0, offsetof(NetHeader, distSigmaPpm4), 4.0f},  // any nonzero which
        {ParamLevelling, 0, 1.0, offsetof(NetHeader, levelSigma), 0.001f},
        {ParamLevelling, 1, 2.0, offsetof(NetHeader, levelSigma4), 0.002f},
        {ParamTrigHeight, 0, 30.0, offsetof(NetHeader, trigHeightSigma), 0.03f},
        {ParamTrigHeight, 1, -60.0, offsetof(NetHeader, trigHeightSigma4), -0.06f},  // no range check
        {0, 0, 5.0, 0, 0}, {6, 0, 5.0, 0, 0}, {-1, 1, 5.0, 0, 0},  // no such kind
    };
    const NetHeader none{};
    for (const auto& c : cases) {
        NetHeader h{};
        SetAdjustmentParam(h, c.kind, c.value, c.which);
        if (c.field) {
            // The packed fields are copied out and cleared byte-wise, never referenced.
            float stored = 0;
            std::memcpy(&stored, reinterpret_cast<const char*>(&h) + c.field, sizeof stored);
            EXPECT_FLOAT_EQ(stored, c.stored) << c.kind << "/" << c.which;
            std::memset(reinterpret_cast<char*>(&h) + c.field, 0, sizeof stored);  // nothing else changed
        }
        EXPECT_EQ(std::memcmp(&none, &h, sizeof h), 0) << c.kind << "/" << c.which;
    }
}

// Arc-seconds of 100 and more are converted as such (read as d.mmss, 100" would be 1'); below
// 99.9" the 4-byte value is the one the d.mmss reading of value x 0.0001 gave, bit for bit.
TEST(SetAdjustmentParam, DirectionErrorInArcSeconds) {
    for (const double seconds : {100.0, 150.0, 240.0, 3600.0}) {
        NetHeader h{};
        SetAdjustmentParam(h, ParamDirection, seconds, 0);
        EXPECT_EQ(float(h.dirSigma), float(seconds * ArcSecond)) << seconds;
    }
    for (int k = 1; k < 9990; ++k) {
        const double seconds = k * 0.01;
        NetHeader h{};
        SetAdjustmentParam(h, ParamDirection, seconds, 1);
        const float dms = float(DmsToRadians(seconds * 0.0001)), stored = h.dirSigma4;
        ASSERT_EQ(std::memcmp(&stored, &dms, sizeof dms), 0) << seconds;
    }
}

// A network with its unknowns numbered and its observations weighted, as the first pass has it.
struct Weighted {
    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0;
    void Number() {
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        EXPECT_EQ(SetObservationWeights(net, map), 1);
    }
    float W(int o) const { return WeightOf(net, o); }
};

TEST(Weights, HeightWeightsFromLineMeasuresAndSightLengths) {
    Weighted t;
    NetHeader& h = t.net.hdr;
    h.heightMode = 1;
    h.levelSigma = 0.002f, h.levelSigma4 = 0.004f, h.trigHeightSigma = 0.03f, h.trigHeightSigma4 = 0.05f;
    const int a = t.b.Point("A", 1000, 1000, 100.0, 0, 1), p = t.b.Point("P", 1300, 1400, 101.0);
    const int q = t.b.Point("Q", 0, 0, 102.0), r = t.b.Point("R", 0, 0, 103.0);
    const int setups = t.b.Obs(a, p, KindLevelled, 1.0);
    t.b.Obs(a, p, KindSetups, 4.0);
    const int reverse = t.b.Obs(q, a, KindLevelled, -2.0, ClassSpecial);
    t.b.Obs(a, q, KindLineLength, 2500.0);
    const int bare = t.b.Obs(q, r, KindLevelled, 1.0);
    const int trigDist = t.b.Obs(p, q, KindTrigHeight, 1.0);
    t.b.Obs(q, p, KindDistance, 600.0);
    const int trigCoords = t.b.Obs(a, p, KindTrigHeight, 1.0, ClassFixed);
    const int trigNone = t.b.Obs(r, q, KindTrigHeight, -1.0, ClassSpecial);
    t.b.Obs(p, r, KindDistance, 10.0, ClassPlanned);  // planned, of the other network kind
    t.Number();
    EXPECT_FLOAT_EQ(t.W(setups), 0.25f);
    EXPECT_FLOAT_EQ(t.W(reverse), float(0.25 / 2.5));
    EXPECT_FLOAT_EQ(t.W(bare), 1.0f);
    const double t0 = h.levelSigma / h.trigHeightSigma, t4 = h.levelSigma / h.trigHeightSigma4;
    EXPECT_FLOAT_EQ(t.W(trigDist), float(t0 * t0 / (600.0 * 600.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigCoords), float(t0 * t0 * 1e6 / (500.0 * 500.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigNone), float(t4 * t4 / 1e6 * 1e6));
    // Three unknown points and the pairs A-P, Q-A, Q-R, P-Q and the planned P-R.
    EXPECT_EQ(h.ellipseCount, 3 + 5);
}

// Direction mode: a direction between fixed points stays for its station's orientation, a
// lone direction drops out for good, a distance between fixed points counts as a check. Angle
// mode: k directions give k - 1 angles.
TEST(Weights, EquationCounts) {
    Weighted t;
    t.net.hdr.dirSigma = 1e-5f;
    t.net.hdr.distSigmaConst = 0.002f;
    const int a = t.b.Point("A", 1000, 1000, 0, 1), f = t.b.Point("F", 1000, 2000, 0, 1), p = t.b.Point("P", 2000, 1500);
    const int lone = t.b.Obs(p, a, KindDirection, 1.0);
    for (const auto& [from, to] : {std::pair{a, f}, {a, p}, {f, p}, {f, a}}) t.b.Obs(from, to, KindDirection, 0.3);
    t.b.Obs(p, f, KindDistance, 1118.0);
    t.b.Obs(a, f, KindDistance, 1000.0);
    t.Number();
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(t.n + 1));
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, false), 4 - 2 + 1 + 1);
    EXPECT_EQ(t.W(lone), 0.0f);
    t.b.Obs(a, p, KindDirection, 0.5);
    t.Number();
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, true), (3 - 1) + (2 - 1) + 1 + 1);
}

struct CollectCofactors : CofactorSink {
    std::map<int, double> c;
    void Rated(int obs, const WorkRow&, double, double cofactor) override { c[obs] = cofactor; }
};

TEST(DirectionElimination, OnePassMatchesExplicitOrientationUnknowns) {
    Weighted t;
    Network& net = t.net;
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.003f;
    net.hdr.distSigmaPpm = 2.0f;
    BuildPlaneNetwork(t.b, testing::TriangulationPoints(), testing::TriangulationSightings(), 2e-5, 0.004, 7);
    const testing::RefResult ref = testing::PlaneReference(net, 1);
    t.Number();
    const int n = t.n;
    ASSERT_EQ(n, 6);
    NormalMatrix N;
    ASSERT_TRUE(N.Allocate(n + 1));
    const int m = FormNormalEquations(net, N, n, t.map, false);
    EXPECT_EQ(m, 22 - 5);  // 22 equations less five station orientations
    ASSERT_EQ(InvertPacked(n, N), 1);
    // Cofactors at the coordinates of the linearisation, before the corrections move them.
    CollectCofactors sink;
    ASSERT_EQ(ComputeAdjustedCofactors(net, N, n, t.map, false, &sink), 1);
    // x = -Q b, and [pvv] = [pll] + b^T x.
    std::vector<double> x(static_cast<size_t>(n));
    const double* b = N.Row(n + 1);
    MultiplyCofactors(N, n, b, x.data());
    for (int i = 0; i < n; ++i) x[size_t(i)] = -x[size_t(i)], N.Last() += b[i] * x[size_t(i)];
    ApplyCorrections(net, x, t.map);

    EXPECT_NEAR(std::sqrt(N.Last() / (m - n)), ref.sigma0, 1e-9 * ref.sigma0);
    for (int p = 3; p <= 5; ++p) {
        EXPECT_NEAR(net.Point(p).x, ref.points[size_t(p - 1)].x, 1e-9) << p;
        EXPECT_NEAR(net.Point(p).y, ref.points[size_t(p - 1)].y, 1e-9) << p;
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j)
            EXPECT_NEAR(N.At(i, j), ref.q(size_t(i - 1), size_t(j - 1)), 1e-9 * ref.q(0, 0)) << i << "," << j;
    // The reference takes the observations station by station.
    ASSERT_EQ(sink.c.size(), 22u);
    size_t k = 0;
    for (int i = 1; i <= net.hdr.pointCount; ++i)
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next, ++k) {
            EXPECT_NEAR(sink.c[o], ref.qll[k], 1e-9 * ref.qll[k]) << o;
            EXPECT_FLOAT_EQ(CofactorOf(net, o), float(ref.qll[k])) << o;
        }
}

// Known station S sights `targets` unknown points on a ring in `sets` rounds of directions,
// and the distance to each; its first direction goes to the known point K, which orients it.
void Ring(Network& net, testing::NetworkBuilder& b, int targets, int sets) {
    b.Point("S", 20000.0, 40000.0, 0.0, PointKnown);
    auto x = [](int k) { return 20000.0 + (500.0 + 3.0 * (k % 7)) * std::cos(0.37 * k); };
    auto y = [](int k) { return 40000.0 + (500.0 + 3.0 * (k % 7)) * std::sin(0.37 * k); };
    for (int k = 1; k <= targets; ++k) b.Point("T" + std::to_string(k), x(k) + 0.01, y(k) - 0.01);
    const int known = b.Point("K", 21000.0, 40000.0, 0.0, PointKnown);
    b.Obs(1, known, KindDirection, NormalizeAngle(-1.1));
    for (int s = 0; s < sets; ++s)
        for (int k = 1; k <= targets; ++k) {
            const double az = std::atan2(y(k) - 40000.0, x(k) - 20000.0);
            b.Obs(1, k + 1, KindDirection, NormalizeAngle(az - 1.1 + 4e-6 * std::sin(3.1 * k + s)));
        }
    for (int k = 1; k <= targets; ++k)
        b.Obs(1, k + 1, KindDistance, std::hypot(x(k) - 20000.0, y(k) - 40000.0) + 0.002 * std::cos(k));
    net.hdr.dirSigma = float(DmsToRadians(0.0002));
    net.hdr.distSigmaConst = 0.002f;
    net.hdr.distSigmaPpm = 2.0f;
}

// A station with many directions: its block of the normal equations and the cofactors of its
// directions, gathered per station, equal the reduced rows accumulated one by one.
TEST(StationBlock, GatheredBlockAndCofactorsEqualTheReducedRows) {
    Weighted t;
    Network& net = t.net;
    Ring(net, t.b, 60, 3);
    t.Number();
    for (int i = 1; i <= net.hdr.pointCount; ++i) net.Station(i).orientation = 1.1;
    const int n = t.n;
    NormalMatrix gathered, rows;
    ASSERT_TRUE(gathered.Allocate(n + 1) && rows.Allocate(n + 1));
    EXPECT_EQ(FormNormalEquations(net, gathered, n, t.map, false), 1 + 3 * 60 + 60 - 1);
    {  // the normal equations of the station's reduced rows, each accumulated on its own
        WorkRow row, mean;
        ASSERT_TRUE(row.Allocate(n) && mean.Allocate(n));
        EliminateOrientation(net, t.map, 1, mean, true);
        DirectionChain chain;
        for (int o = net.Point(1).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            if (ObservationRow(net, t.map, &mean, row, KindOf(r), true, 1, r.target, chain, r.value, false))
                AccumulateRow(row, rows, WeightOf(net, o));
        }
    }
    for (int i = 1; i <= n + 1; ++i)
        for (int j = 1; j <= i; ++j) {
            const double scale = std::sqrt(rows.At(i, i) * rows.At(j, j));
            ASSERT_NEAR(gathered.At(i, j), rows.At(i, j), 1e-12 * scale) << i << " " << j;
        }
    // The right-hand side and [pll] take the reduced rows as they are.
    for (int j = 1; j <= n + 1; ++j) EXPECT_EQ(gathered.At(n + 1, j), rows.At(n + 1, j)) << j;

    ASSERT_EQ(InvertPacked(n, rows), 1);
    ASSERT_EQ(ComputeAdjustedCofactors(net, rows, n, t.map, false, nullptr), 1);
    WorkRow row, mean;
    ASSERT_TRUE(row.Allocate(n) && mean.Allocate(n));
    const double sumP = EliminateOrientation(net, t.map, 1, mean, false);
    DirectionChain chain;
    for (int o = net.Point(1).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        ASSERT_EQ(ObservationRow(net, t.map, &mean, row, KindOf(r), false, 1, r.target, chain, r.value, false), 1);
        double c = 0.0;
        for (const int i : row.Places())
            for (const int j : row.Places())
                if (i <= n && j <= n) c += row.Value(i) * rows.At(i, j) * row.Value(j);
        if (KindOf(r) == KindDirection) c += 1.0 / sumP;
        EXPECT_NEAR(CofactorOf(net, o), c, 1e-6 * c) << o;  // stored as a 4-byte float
        row.Clear();
    }
}

TEST(StationBlock, ThousandDirectionsAdjustInAMoment) {
    Network net;
    testing::NetworkBuilder b(net);
    Ring(net, b, 125, 8);
    [[maybe_unused]] const std::clock_t start = std::clock();
    ASSERT_EQ(RunAdjustment(net, b.ui(), MethodDataSnooping, 0, 3), ResultDone);
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
    // Row by row the station took seconds; gathered, milliseconds (optimised builds).
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 1.0);
#endif
    for (int o = 2; o <= 1001; ++o) {
        EXPECT_GT(CofactorOf(net, o), 0.0f) << o;
        EXPECT_LT(CofactorOf(net, o), 1.0f / WeightOf(net, o)) << o;
    }
}

}  // namespace
}  // namespace quenvar
