// One pass of the direction-mode adjustment, orientations eliminated station by station,
// against the textbook model with explicit orientation unknowns.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "adjust/adjusted_cofactors.h"
#include "adjust/corrections.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"

namespace quenvar {
namespace {

struct CollectCofactors : CofactorSink {
    std::map<int, double> c;
    void Rated(int obs, const WorkRow&, double, double cofactor) override { c[obs] = cofactor; }
};

TEST(DirectionEliminationTest, OnePassMatchesExplicitOrientationUnknowns) {
    Network net;
    testing::NetworkBuilder b(net);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.003f;
    net.hdr.distSigmaPpm = 2.0f;
    BuildPlaneNetwork(b, testing::TriangulationPoints(), testing::TriangulationSightings(), 2e-5, 0.004, 7);
    const testing::RefResult ref = testing::PlaneReference(net, 1);

    UnknownMap map(size_t(net.hdr.pointCount) + 1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    const int n = NumberUnknowns(net, b.ui(), map);
    ASSERT_EQ(n, 6);
    SetObservationWeights(net, map);
    NormalMatrix N;
    ASSERT_TRUE(N.Allocate(n + 1));
    const int m = FormNormalEquations(net, N, n, map, false);
    EXPECT_EQ(m, 22 - 5);  // 22 equations less five station orientations
    ASSERT_EQ(InvertPacked(n, N), 1);
    // Cofactors at the coordinates of the linearisation, before the corrections move them.
    CollectCofactors sink;
    ASSERT_EQ(ComputeAdjustedCofactors(net, N, n, map, false, &sink), 1);
    std::vector<double> x(static_cast<size_t>(n));
    SolveCorrections(N, x, n);
    ApplyCorrections(net, x, map);

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

}  // namespace
}  // namespace quenvar
