// The sparse storage against the packed one on the same normal equations: every cofactor of
// the selected inverse, fixed and free networks, and the work done once per adjustment.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/block_products.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/packed_system.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "adjust/sparse_system.h"
#include "approx/calculate.h"
#include "tests/adjust/plane_networks.h"
#include "tests/support/generated_networks.h"

namespace quenvar {
namespace {

// Forms and solves the first pass of the network in the given storage; the unknowns.
int SolveFirstPass(Network& net, NormalSystem& s, UnknownMap& map) {
    testing::RecordingMessenger ui;
    map.assign(size_t(net.hdr.pointCount) + 1, -1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    const int n = NumberUnknowns(net, ui, map);
    EXPECT_EQ(SetObservationWeights(net, map), 1);
    EXPECT_TRUE(s.Prepare(net, map, n));
    EXPECT_GE(s.BeginPass(net, map), 0);
    EXPECT_GT(FormNormalEquations(net, s, n, map, false), 0);
    EXPECT_EQ(s.Solve(), 1);
    return n;
}

// Largest difference of the sparse cofactors from the packed ones over all n x n elements,
// relative to sqrt(Q(i, i) Q(j, j)), and the same for the corrections relative to their
// largest; the weighted square sums must agree too.
double Deviation(const std::function<void(Network&)>& build, double& corrections) {
    Network a, b;
    build(a);
    build(b);
    SparseSystem sparse;
    PackedSystem packed;
    UnknownMap map;
    const int n = SolveFirstPass(a, sparse, map);
    SolveFirstPass(b, packed, map);
    double worst = 0.0;
    for (int j = 1; j <= n; ++j)
        for (int i = j; i <= n; ++i)
            worst = std::max(worst, std::fabs(sparse.Cofactor(i, j) - packed.Cofactor(i, j)) /
                                        std::sqrt(packed.Cofactor(i, i) * packed.Cofactor(j, j)));
    std::vector<double> xs(static_cast<size_t>(n)), xp(static_cast<size_t>(n));
    sparse.Corrections(xs);
    packed.Corrections(xp);
    double largest = 0.0, diff = 0.0;
    for (int i = 0; i < n; ++i) largest = std::max(largest, std::fabs(xp[size_t(i)]));
    for (int i = 0; i < n; ++i) diff = std::max(diff, std::fabs(xs[size_t(i)] - xp[size_t(i)]));
    corrections = diff / largest;
    EXPECT_NEAR(sparse.WeightedSquareSum(), packed.WeightedSquareSum(), 1e-9 * packed.WeightedSquareSum());
    return worst;
}

// The triangulation with a lone point L joined to the others only by directions from two
// stations, and a pair mark between L and R, which no observation joins.
void Triangulation(Network& net) {
    testing::NetworkBuilder b(net);
    auto pts = testing::TriangulationPoints();
    pts.push_back({"L", 1600, 2600, 0, 0.0});
    auto sightings = testing::TriangulationSightings();
    sightings.push_back({3, 6, KindDirection});
    sightings.push_back({4, 6, KindDirection});
    BuildPlaneNetwork(b, pts, sightings, 1e-5, 0.002, 9);
    b.Obs(6, 5, KindConnection, 0.0);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.002f;
}

void FreeMesh(Network& net, testing::MeshKind kind, int datumEvery) {
    testing::NetworkBuilder b(net);
    testing::TraverseMesh(120).Build(b, net, kind, 0);
    for (int p = 1; p <= net.hdr.pointCount; ++p) {
        PointRec& r = net.Point(p);
        r.x += 0.02 * std::sin(p), r.h += 0.01 * std::cos(p);
        if (datumEvery > 0 && p % datumEvery == 0) {
            SetPlaneClass(r, PointSpecial);
            SetHeightClass(r, PointSpecial);
        }
    }
}

TEST(SparseSystemTest, SelectedInverseEqualsThePackedInverse) {
    double dx = 0.0;
    EXPECT_LT(Deviation(Triangulation, dx), 1e-12);
    EXPECT_LT(dx, 1e-12);
    // A mesh of the given size and ties, its unknown points on the plain grid of its columns.
    const auto mesh = [](int points, int tieEvery, int columns) {
        return [=](Network& net) {
            testing::NetworkBuilder b(net);
            testing::TraverseMesh(points, tieEvery).Build(b, net, testing::MeshKind::Plane);
            for (int p = 1; p <= net.hdr.pointCount; ++p)
                if (PlaneClass(net.Point(p)) == PointUnknown)
                    net.Point(p).x = 30000.0 + 150.0 * ((p - 1) / columns), net.Point(p).y = 50000.0 + 200.0 * ((p - 1) % columns);
        };
    };
    EXPECT_LT(Deviation(mesh(200, 4, 18), dx), 1e-11);
    EXPECT_LT(dx, 1e-10);
    // Tied at every column the mesh is two-dimensional: its factor has wide supernodes with
    // rows below them, which update and invert by dense blocks.
    EXPECT_LT(Deviation(mesh(150, 1, 15), dx), 1e-11);
    EXPECT_LT(dx, 1e-10);
}

TEST(SparseSystemTest, FreeNetworksThroughTheLowRankDatumCorrection) {
    // The packed inversion of N + G G^T loses digits to the datum terms, which outweigh the
    // observations; the comparison allows for that.
    for (const auto kind : {testing::MeshKind::Plane, testing::MeshKind::Height})
        for (const int datumEvery : {0, 6}) {
            double dx = 0.0;
            EXPECT_LT(Deviation([&](Network& net) { FreeMesh(net, kind, datumEvery); }, dx), 1e-8) << datumEvery;
            EXPECT_LT(dx, 1e-8) << datumEvery;
        }
}

// The long double blocks two rows and two columns at a time: odd sizes leave a lone row or
// column, the lower form may skip only blocks wholly above the diagonal.
TEST(SparseSystemTest, BlockProductsOfOddSizesAndStrides) {
    const int rows = 5, cols = 3, depth = 4;
    std::vector<long double> a(size_t(rows * depth)), b(size_t(cols * depth));
    for (size_t k = 0; k < a.size(); ++k) a[k] = std::sin(1.0L + k);
    for (size_t k = 0; k < b.size(); ++k) b[k] = std::cos(2.0L + k);
    // a by columns (i, q) at i + q * rows, b by rows (j, q) at j * depth + q.
    const auto exact = [&](int i, int j) {
        long double sum = 0.0L;
        for (int q = 0; q < depth; ++q) sum += a[size_t(i + q * rows)] * b[size_t(j * depth + q)];
        return sum;
    };
    std::vector<long double> c(size_t(rows * cols), 7.0L);
    BlockProducts(rows, cols, depth, a.data(), rows, b.data(), depth, 1, c.data(), rows, false, false);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) EXPECT_NEAR(double(c[size_t(i + j * rows)]), double(exact(i, j)), 1e-15) << i << j;
    std::vector<long double> lower(size_t(rows * cols), 1.0L);
    BlockProducts(rows, cols, depth, a.data(), rows, b.data(), depth, 1, lower.data(), rows, true, true);
    for (int j = 0; j < cols; ++j)
        for (int i = j; i < rows; ++i)
            EXPECT_NEAR(double(lower[size_t(i + j * rows)]), double(1.0L + exact(i, j)), 1e-15) << i << j;
}

TEST(SparseSystemTest, OrderingAnalysedOnceAndCofactorsOnlyWhenRead) {
    const struct {
        int method, passes, inversions;  // inversions 0: one a pass
    } cases[] = {{MethodIteration, 4, 1}, {MethodHuber, 4, 1}, {MethodDataSnooping, 4, 0}};
    for (const auto& c : cases) {
        Network net;
        testing::NetworkBuilder b(net);
        testing::TraverseMesh(150).Build(b, net, testing::MeshKind::Plane);
        ASSERT_EQ(Calculate(net, b.ui()), 1);
        for (int p = 1; p <= net.hdr.pointCount; ++p) net.Point(p).x += 0.01 * std::sin(p);
        SparseSystem s;
        ASSERT_EQ(RunAdjustment(net, b.ui(), int16_t(c.method), 0, int16_t(c.passes), s), ResultDone);
        EXPECT_EQ(s.Work().analyses, 1) << c.method;
        // One factorisation a pass; the cofactors in the last pass, and in every pass when the
        // re-weighting reads them.
        EXPECT_GE(s.Work().factorisations, 2) << c.method;
        EXPECT_EQ(s.Work().inversions, c.inversions > 0 ? c.inversions : s.Work().factorisations) << c.method;
    }
}

}  // namespace
}  // namespace quenvar
