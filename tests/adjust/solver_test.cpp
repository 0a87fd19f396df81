// Packed inversion, solution and datum terms against dense reference computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/datum_constraints.h"
#include "adjust/normal_equations.h"
#include "adjust/normal_matrix.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

using testing::Dense;

// A symmetric positive-definite matrix B^T B + I of order n with pseudo-random B.
Dense RandomSpd(size_t n, unsigned seed) {
    testing::Noise noise(seed);
    Dense b(n, n);
    for (double& e : b.v) e = noise.Next();
    Dense a = Multiply(Transpose(b), b);
    for (size_t i = 0; i < n; ++i) a(i, i) += 1.0;
    return a;
}

TEST(PackedInversionTest, MatchesDenseInverseAndLeavesTheRightHandSideRow) {
    for (const int n : {1, 2, 3, 7, 12}) {
        const Dense a = RandomSpd(size_t(n), unsigned(n));
        NormalMatrix m;
        ASSERT_TRUE(m.Allocate(n + 1));
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= i; ++j) m.At(i, j) = a(size_t(i - 1), size_t(j - 1));
            m.At(n + 1, i) = 0.5 * i;
        }
        m.Last() = 42.0;
        ASSERT_EQ(InvertPacked(n, m), 1) << n;
        const Dense inv = testing::Inverse(a);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= i; ++j)
                EXPECT_NEAR(m.At(i, j), inv(size_t(i - 1), size_t(j - 1)), 1e-12 * std::fabs(inv(0, 0)) + 1e-13);
            EXPECT_EQ(m.At(n + 1, i), 0.5 * i);
        }
        EXPECT_EQ(m.Last(), 42.0);
    }
}

TEST(PackedInversionTest, FailsOnAPivotBelowTheLimit) {
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(4));
    // Rank 2: the third row is the sum of the first two.
    const double rows[3][3] = {{2, 1, 3}, {1, 2, 3}, {3, 3, 6}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= i; ++j) m.At(i, j) = rows[i - 1][j - 1];
    EXPECT_EQ(InvertPacked(3, m), 0);
    NormalMatrix tiny;
    ASSERT_TRUE(tiny.Allocate(3));
    tiny.At(1, 1) = 0.9e-20;
    tiny.At(2, 2) = 1.0;
    EXPECT_EQ(InvertPacked(2, tiny), 0);
    tiny.Zero();
    tiny.At(1, 1) = 1e-20;
    tiny.At(2, 2) = 1.0;
    EXPECT_EQ(InvertPacked(2, tiny), 1);
}

// A network without fixed points, its normal matrix with and without the datum terms.
class FreeNetworkTest : public ::testing::Test {
protected:
    void Plane(const std::vector<testing::Sighting>& sightings, bool specialDatum = false) {
        std::vector<testing::TruePoint> pts = testing::TriangulationPoints();
        for (auto& p : pts) p.planeClass = 0;
        if (specialDatum) pts[1].planeClass = pts[3].planeClass = 2;
        BuildPlaneNetwork(b, net, pts, sightings, 1e-5, 0.003, 3);
        net.hdr.dirSigma = 1e-5f;
        net.hdr.distSigmaConst = 0.003f;
        Prepare();
    }
    void Height(bool specialDatum) {
        const double h[4] = {10.0, 12.5, 11.0, 14.25};
        for (int i = 0; i < 4; ++i) b.Point(std::string(1, char('A' + i)), 0, 0, h[i], 0, specialDatum && i < 2 ? 2 : 0);
        net.hdr.heightMode = 1;
        net.hdr.levelSigma = 0.001f;
        const int from[5] = {1, 2, 3, 1, 2}, to[5] = {2, 3, 4, 3, 4};
        for (int k = 0; k < 5; ++k) b.Obs(from[k], to[k], KindLevelled, h[to[k] - 1] - h[from[k] - 1] + 0.001 * k);
        Prepare();
    }
    void Prepare() {
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
        ASSERT_TRUE(plain.Allocate(n + 1));
        FormNormalEquations(net, plain, n, map, true);
        ASSERT_TRUE(q.Allocate(n + 1));
        defect = AddDatumConstraints(net, q, map, 1.0);
        FormNormalEquations(net, q, n, map, true);
        ASSERT_EQ(InvertNormalMatrix(n, q), 1);
        AddDatumConstraints(net, q, map, -1.0);
    }
    Dense Full(const NormalMatrix& m) const {
        const size_t un = static_cast<size_t>(n);
        Dense d(un, un);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) d(size_t(i - 1), size_t(j - 1)) = m.At(i, j);
        return d;
    }
    // The datum vectors of the network kind over all unknown points.
    std::vector<std::vector<double>> NullVectors(bool rotation, bool scale) const {
        std::vector<std::vector<double>> g;
        if (net.hdr.heightMode) return {std::vector<double>(static_cast<size_t>(n), 1.0)};
        const size_t un = static_cast<size_t>(n);
        std::vector<double> ex(un), ey(un), r(un), s(un);
        for (int i = 1; i <= net.hdr.pointCount; ++i) {
            const int k = map[size_t(i)];
            ex[size_t(2 * k - 2)] = ey[size_t(2 * k - 1)] = 1.0;
            r[size_t(2 * k - 2)] = -net.Point(i).y;
            r[size_t(2 * k - 1)] = net.Point(i).x;
            s[size_t(2 * k - 2)] = net.Point(i).x;
            s[size_t(2 * k - 1)] = net.Point(i).y;
        }
        g = {ex, ey};
        if (rotation) g.push_back(r);
        if (scale) g.push_back(s);
        return g;
    }
    void ExpectInnerConstraints(bool rotation, bool scale) {
        const Dense qd = Full(q), nd = Full(plain);
        const double scaleQ = qd(0, 0), scaleN = nd(0, 0);
        for (const auto& g : NullVectors(rotation, scale)) {
            double gg = 0.0;
            for (double e : g) gg += e * e;
            for (int i = 0; i < n; ++i) {
                double ng = 0.0, qg = 0.0;
                for (int j = 0; j < n; ++j) {
                    ng += nd(size_t(i), size_t(j)) * g[size_t(j)];
                    qg += qd(size_t(i), size_t(j)) * g[size_t(j)];
                }
                ASSERT_NEAR(ng, 0.0, 1e-9 * scaleN * std::sqrt(gg)) << "vector is not a null vector of N";
                EXPECT_NEAR(qg, 0.0, 1e-9 * scaleQ * std::sqrt(gg)) << i;
            }
        }
        // Q is a reflexive generalised inverse of N: N Q N = N and Q N Q = Q.
        const Dense nqn = Multiply(Multiply(nd, qd), nd), qnq = Multiply(Multiply(qd, nd), qd);
        for (size_t k = 0; k < nd.v.size(); ++k) {
            EXPECT_NEAR(nqn.v[k], nd.v[k], 1e-8 * scaleN);
            EXPECT_NEAR(qnq.v[k], qd.v[k], 1e-8 * scaleQ);
        }
    }

    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0;
    int defect = 0;
    NormalMatrix plain, q;
};

std::vector<testing::Sighting> WithoutKinds(std::initializer_list<int> kinds) {
    std::vector<testing::Sighting> out;
    for (const auto& s : testing::TriangulationSightings())
        if (std::find(kinds.begin(), kinds.end(), s.kind) == kinds.end()) out.push_back(s);
    return out;
}

TEST_F(FreeNetworkTest, LevellingNetworkHasDefectOne) {
    Height(false);
    EXPECT_EQ(defect, 1);
    ExpectInnerConstraints(false, false);
}

TEST_F(FreeNetworkTest, AzimuthAndDistancesLeaveTheTranslations) {
    Plane(testing::TriangulationSightings());
    EXPECT_EQ(defect, 2);
    ExpectInnerConstraints(false, false);
}

TEST_F(FreeNetworkTest, WithoutDistancesTheScaleIsFree) {
    Plane(WithoutKinds({KindDistance}));
    EXPECT_EQ(defect, 3);
    ExpectInnerConstraints(false, true);
}

TEST_F(FreeNetworkTest, WithoutAzimuthAndDistancesRotationAndScaleAreFree) {
    Plane(WithoutKinds({KindAzimuth, KindDistance}));
    EXPECT_EQ(defect, 4);
    ExpectInnerConstraints(true, true);
}

TEST_F(FreeNetworkTest, SpecialPointsAloneDefineTheDatum) {
    Height(true);
    EXPECT_EQ(defect, 1);
    // Q = (N + g g^T)^-1 - g g^T with g = (1, 1, 0, 0) / sqrt(2): only the two datum points.
    Dense reg = Full(plain);
    for (size_t i = 0; i < 2; ++i)
        for (size_t j = 0; j < 2; ++j) reg(i, j) += 0.5;
    Dense expected = testing::Inverse(reg);
    for (size_t i = 0; i < 2; ++i)
        for (size_t j = 0; j < 2; ++j) expected(i, j) -= 0.5;
    const Dense qd = Full(q);
    for (size_t k = 0; k < qd.v.size(); ++k) EXPECT_NEAR(qd.v[k], expected.v[k], 1e-12 * expected(0, 0));
}

}  // namespace
}  // namespace quenvar
