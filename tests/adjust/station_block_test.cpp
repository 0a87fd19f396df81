// A station with many directions: its block of the normal equations and the cofactors of its
// directions, gathered per station, equal the reduced rows accumulated one by one, and a
// station of 1,000 directions adjusts in a moment.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>

#include "adjust/adjusted_cofactors.h"
#include "adjust/adjustment_driver.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_rows.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

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

struct Prepared {
    UnknownMap map;
    int n = 0;
};

Prepared Prepare(Network& net, Messenger& ui) {
    Prepared p;
    p.map.assign(size_t(net.hdr.pointCount) + 1, -1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    p.n = NumberUnknowns(net, ui, p.map);
    EXPECT_EQ(SetObservationWeights(net, p.map), 1);
    for (int i = 1; i <= net.hdr.pointCount; ++i) net.Station(i).orientation = 1.1;
    return p;
}

// The normal equations of the station's reduced rows, each accumulated on its own.
void RowByRow(Network& net, const Prepared& p, NormalMatrix& m) {
    WorkRow row, mean;
    ASSERT_TRUE(row.Allocate(p.n) && mean.Allocate(p.n) && m.Allocate(p.n + 1));
    EliminateOrientation(net, p.map, 1, mean, true);
    DirectionChain chain;
    for (int o = net.Point(1).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        const int kind = KindOf(r);
        if (ObservationRow(net, p.map, &mean, row, kind, true, 1, r.target, chain, r.value, false))
            AccumulateRow(row, m, WeightOf(net, o));
    }
}

TEST(StationBlockTest, GatheredBlockAndCofactorsEqualTheReducedRows) {
    Network net;
    testing::NetworkBuilder b(net);
    Ring(net, b, 60, 3);
    const Prepared p = Prepare(net, b.ui());
    NormalMatrix gathered, rows;
    ASSERT_TRUE(gathered.Allocate(p.n + 1));
    EXPECT_EQ(FormNormalEquations(net, gathered, p.n, p.map, false), 1 + 3 * 60 + 60 - 1);
    RowByRow(net, p, rows);
    for (int i = 1; i <= p.n + 1; ++i)
        for (int j = 1; j <= i; ++j) {
            const double scale = std::sqrt(rows.At(i, i) * rows.At(j, j));
            ASSERT_NEAR(gathered.At(i, j), rows.At(i, j), 1e-12 * scale) << i << " " << j;
        }
    // The right-hand side and [pll] take the reduced rows as they are.
    for (int j = 1; j <= p.n + 1; ++j) EXPECT_EQ(gathered.At(p.n + 1, j), rows.At(p.n + 1, j)) << j;

    ASSERT_EQ(InvertPacked(p.n, rows), 1);
    ASSERT_EQ(ComputeAdjustedCofactors(net, rows, p.n, p.map, false, nullptr), 1);
    WorkRow row, mean;
    ASSERT_TRUE(row.Allocate(p.n) && mean.Allocate(p.n));
    const double sumP = EliminateOrientation(net, p.map, 1, mean, false);
    DirectionChain chain;
    for (int o = net.Point(1).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        ASSERT_EQ(ObservationRow(net, p.map, &mean, row, KindOf(r), false, 1, r.target, chain, r.value, false), 1);
        double c = 0.0;
        for (const int i : row.Places())
            for (const int j : row.Places())
                if (i <= p.n && j <= p.n) c += row.Value(i) * rows.At(i, j) * row.Value(j);
        if (KindOf(r) == KindDirection) c += 1.0 / sumP;
        EXPECT_NEAR(CofactorOf(net, o), c, 1e-6 * c) << o;  // stored as a 4-byte float
        row.Clear();
    }
}

TEST(StationBlockTest, ThousandDirectionsAdjustInAMoment) {
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
