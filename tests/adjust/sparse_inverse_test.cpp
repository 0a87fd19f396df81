// Profile inversion against the packed Gauss-Jordan inversion, on matrices and through the
// adjustment of a grid network.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/adjustment_tables.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "tests/adjust/inverse_comparison.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

// Sum of r r^T over random rows r joining two to four unknowns of one group (unknown i is in
// group i % groups; groups = 0: neighbouring unknowns), plus 0.1 on the diagonal, with a
// right-hand side row.
void SparseMatrix(NormalMatrix& m, int n, int groups, int rows, unsigned seed) {
    testing::Noise noise(seed);
    auto pick = [&noise](int count) { return std::min(count - 1, int((noise.Next() + 1.0) / 2.0 * count)); };
    ASSERT_TRUE(m.Allocate(n + 1));
    for (int r = 0; r < rows; ++r) {
        std::vector<int> u(size_t(2 + pick(3)));
        const int base = pick(groups == 0 ? n - 3 : n);
        for (size_t k = 0; k < u.size(); ++k)
            u[k] = groups == 0 ? base + int(k) : std::min(n - 1, base % groups + groups * pick(n / groups + 1));
        std::sort(u.begin(), u.end());
        u.erase(std::unique(u.begin(), u.end()), u.end());
        std::vector<double> v(u.size());
        for (double& e : v) e = noise.Next();
        for (size_t a = 0; a < u.size(); ++a)
            for (size_t b = 0; b <= a; ++b) m.At(u[a] + 1, u[b] + 1) += v[a] * v[b];
    }
    for (int i = 1; i <= n; ++i) m.At(i, i) += 0.1, m.At(n + 1, i) = 0.5 * i;
    m.Last() = 42.0;
}

// Inverts copies of m with both methods and returns the largest difference relative to
// sqrt(Q(i, i) Q(j, j)); the right-hand side row must stay as it was.
double Deviation(int n, const NormalMatrix& m, int (*invert)(int, NormalMatrix&)) {
    NormalMatrix a = testing::CopyOf(m), b = testing::CopyOf(m);
    EXPECT_EQ(invert(n, a), 1);
    EXPECT_EQ(InvertPacked(n, b), 1);
    return testing::RelativeDeviation(n, a, b, m);
}

TEST(ProfileInversionTest, EqualsPackedInversionOnSparseMatrices) {
    const struct {
        int n, groups, rows;
    } cases[] = {{1, 1, 1}, {9, 3, 12}, {70, 1, 60}, {120, 5, 150}, {150, 0, 200}, {200, 40, 150}};
    for (const auto& c : cases) {
        NormalMatrix m;
        SparseMatrix(m, c.n, c.groups, c.rows, unsigned(c.n));
        EXPECT_LT(Deviation(c.n, m, InvertByProfile), 1e-10) << c.n;
    }
    // Small or nearly full matrices go to the packed inversion itself.
    for (const int n : {20, 80}) {
        NormalMatrix m;
        SparseMatrix(m, n, 1, n * n / 2, 8);
        EXPECT_EQ(Deviation(n, m, InvertNormalMatrix), 0.0) << n;
    }
}

TEST(ProfileInversionTest, SingularMatrixFailsAndStaysUnchanged) {
    NormalMatrix m;
    SparseMatrix(m, 100, 4, 90, 3);
    for (int j = 1; j <= 100; ++j) m.At(37, j) = 0.0;  // an unknown without observations
    const std::vector<double> before(m.Row(1), m.Row(1) + PackedSize(101));
    EXPECT_EQ(InvertByProfile(100, m), 0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m.Row(1)));
    EXPECT_EQ(InvertNormalMatrix(100, m), 0);
}

// A 14 x 14 grid, 300 m spacing, directions to the four neighbours and distances to the east
// and north ones; two corner points are fixed, the others start 4 cm off.
void Grid(Network& net) {
    testing::NetworkBuilder b(net);
    std::vector<std::string> names;
    std::vector<testing::TruePoint> pts;
    std::vector<testing::Sighting> sightings;
    const int side = 14;
    for (int k = 0; k < side * side; ++k) names.push_back("G" + std::to_string(k));
    for (int k = 0; k < side * side; ++k) {
        pts.push_back({names[size_t(k)].c_str(), 5000.0 + 300.0 * (k / side) + 9.0 * std::sin(k),
                       8000.0 + 300.0 * (k % side), k < 2, 0.3 * k});
        for (const int t : {k - side, k - 1, k + 1, k + side}) {
            if (t < 0 || t >= side * side || (t % side != k % side && t / side != k / side)) continue;
            sightings.push_back({k + 1, t + 1, KindDirection});
            if (t > k) sightings.push_back({k + 1, t + 1, KindDistance});
        }
    }
    BuildPlaneNetwork(b, pts, sightings, 1e-5, 0.003, 11);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.003f;
}

TEST(ProfileInversionTest, GridNetworkMatrixAndAdjustment) {
    testing::RecordingMessenger ui;
    Network net;
    Grid(net);
    UnknownMap map(size_t(net.hdr.pointCount) + 1, -1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    const int n = NumberUnknowns(net, ui, map);
    NormalMatrix m;
    ASSERT_TRUE(SetObservationWeights(net, map) == 1 && m.Allocate(n + 1));
    ASSERT_GT(FormNormalEquations(net, m, n, map, false), 0);
    const double deviation = Deviation(n, m, InvertNormalMatrix);
    EXPECT_LT(deviation, 1e-10);
    EXPECT_GT(deviation, 0.0) << "a sparse network matrix goes to the profile inversion";

    Network nets[2];
    for (int s = 0; s < 2; ++s) {
        Grid(nets[s]);
        EXPECT_EQ(RunAdjustment(nets[s], ui, MethodIteration, 0, 3, s == 0 ? InvertNormalMatrix : InvertPacked),
                  ResultDone);
    }
    ASSERT_GT(nets[0].ellipses.size(), size_t(n / 2));
    testing::ExpectSameAdjustment(nets[0], nets[1]);
}

}  // namespace
}  // namespace quenvar
