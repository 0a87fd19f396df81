// Packed inversion and datum terms against dense reference computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/datum_constraints.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

using testing::Dense;

Dense Full(const NormalMatrix& m, int n) {
    Dense d{size_t(n), size_t(n)};
    for (int k = 0; k < n * n; ++k) d.v[size_t(k)] = m.At(k / n + 1, k % n + 1);
    return d;
}

TEST(PackedInversionTest, MatchesDenseInverseAndLeavesTheRightHandSideRow) {
    for (const int n : {1, 2, 7, 12}) {
        testing::Noise noise{unsigned(n)};
        Dense b{size_t(n), size_t(n)};
        for (double& e : b.v) e = noise.Next();
        Dense a = Multiply(b, b, true);  // B^T B + I: positive definite
        NormalMatrix m;
        ASSERT_TRUE(m.Allocate(n + 1));
        for (int i = 1; i <= n; ++i) {
            a(size_t(i - 1), size_t(i - 1)) += 1.0;
            for (int j = 1; j <= i; ++j) m.At(i, j) = a(size_t(i - 1), size_t(j - 1));
            m.At(n + 1, i) = 0.5 * i;
        }
        m.Last() = 42.0;
        ASSERT_EQ(InvertPacked(n, m), 1) << n;
        const Dense inv = testing::Inverse(a), q = Full(m, n);
        for (size_t k = 0; k < inv.v.size(); ++k) EXPECT_NEAR(q.v[k], inv.v[k], 1e-12 * std::fabs(inv(0, 0))) << n;
        for (int i = 1; i <= n; ++i) EXPECT_EQ(m.At(n + 1, i), 0.5 * i);
        EXPECT_EQ(m.Last(), 42.0);
    }
}

TEST(PackedInversionTest, FailsOnAPivotBelowTheLimit) {
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(4));
    m.At(1, 1) = m.At(2, 2) = 2.0, m.At(2, 1) = 1.0;  // third row = first + second
    m.At(3, 1) = m.At(3, 2) = 3.0, m.At(3, 3) = 6.0;
    EXPECT_EQ(InvertPacked(3, m), 0);
    for (const double pivot : {0.9e-20, 1e-20}) {
        ASSERT_TRUE(m.Allocate(3));
        m.At(1, 1) = pivot, m.At(2, 2) = 1.0;
        EXPECT_EQ(InvertPacked(2, m), pivot < 1e-20 ? 0 : 1);
    }
}

// Q of a free network, from N with the datum terms added before and subtracted after the
// inversion, annihilates every datum vector (translations, and rotation and scale when no
// observation fixes them) and is a generalised inverse of N; being symmetric, it is then the
// pseudo-inverse.
TEST(FreeNetworkTest, InnerConstraintsForEveryDatumDefect) {
    struct Case { bool height; std::vector<int> dropKinds; int defect; };
    for (const auto& [height, dropKinds, defect] : {Case{true, {}, 1}, Case{false, {}, 2},
                                                    Case{false, {KindDistance}, 3},
                                                    Case{false, {KindAzimuth, KindDistance}, 4}}) {
        Network net;
        testing::NetworkBuilder b(net);
        if (height) {
            const double h[4] = {10.0, 12.5, 11.0, 14.25};
            for (int i = 0; i < 4; ++i) b.Point(std::string(1, char('A' + i)), 0, 0, h[i]);
            for (int i = 1; i <= 4; ++i)
                for (int j = i + 1; j <= 4; ++j) b.Obs(i, j, KindLevelled, h[j - 1] - h[i - 1] + 0.001 * (i + j));
            net.hdr.heightMode = 1;
        } else {
            std::vector<testing::TruePoint> pts = testing::TriangulationPoints();
            for (auto& p : pts) p.planeClass = 0;
            std::vector<testing::Sighting> sightings = testing::TriangulationSightings();
            const auto& dropped = dropKinds;  // a structured binding is not captured by every compiler
            std::erase_if(sightings, [&](const testing::Sighting& s) { return std::ranges::count(dropped, s.kind); });
            BuildPlaneNetwork(b, pts, sightings, 1e-5, 0.003, 3);
        }
        net.hdr.levelSigma = net.hdr.dirSigma = 1e-5f;
        net.hdr.distSigmaConst = 0.003f;
        UnknownMap map(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        const int n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
        NormalMatrix plain, q;
        ASSERT_TRUE(plain.Allocate(n + 1) && q.Allocate(n + 1));
        FormNormalEquations(net, plain, n, map, true);
        ASSERT_EQ(AddDatumConstraints(net, q, map, 1.0), defect);
        FormNormalEquations(net, q, n, map, true);
        ASSERT_EQ(InvertPacked(n, q), 1);
        AddDatumConstraints(net, q, map, -1.0);

        // Datum vectors as columns: translations, then rotation (defect 4) and scale, in km.
        const size_t un = size_t(n), scale = size_t(defect - 1);
        Dense g(un, size_t(defect));
        for (size_t k = 0; height && k < un; ++k) g(k, 0) = 1.0;
        for (int i = 1; !height && i <= net.hdr.pointCount; ++i) {
            const size_t k = size_t(2 * map[size_t(i)] - 2);
            const double x = net.Point(i).x / 1000, y = net.Point(i).y / 1000;
            g(k, 0) = g(k + 1, 1) = 1.0;
            if (defect == 4) g(k, 2) = -y, g(k + 1, 2) = x;
            if (defect >= 3) g(k, scale) = x, g(k + 1, scale) = y;
        }
        const Dense qd = Full(q, n), nd = Full(plain, n), ng = Multiply(nd, g), qg = Multiply(qd, g);
        for (size_t k = 0; k < ng.v.size(); ++k) {
            ASSERT_NEAR(ng.v[k], 0.0, 1e-8 * nd(0, 0)) << "not a null vector of N";
            EXPECT_NEAR(qg.v[k], 0.0, 1e-8 * qd(0, 0)) << defect << " " << k;
        }
        const Dense nqn = Multiply(Multiply(nd, qd), nd);
        for (size_t k = 0; k < nd.v.size(); ++k) EXPECT_NEAR(nqn.v[k], nd.v[k], 1e-8 * nd(0, 0)) << defect;
    }
}

}  // namespace
}  // namespace quenvar
