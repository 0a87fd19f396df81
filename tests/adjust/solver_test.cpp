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
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) d(size_t(i - 1), size_t(j - 1)) = m.At(i, j);
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
    const double rows[3][3] = {{2, 1, 3}, {1, 2, 3}, {3, 3, 6}};  // third row = first + second
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= i; ++j) m.At(i, j) = rows[i - 1][j - 1];
    EXPECT_EQ(InvertPacked(3, m), 0);
    for (const double pivot : {0.9e-20, 1e-20}) {
        ASSERT_TRUE(m.Allocate(3));
        m.At(1, 1) = pivot;
        m.At(2, 2) = 1.0;
        EXPECT_EQ(InvertPacked(2, m), pivot < 1e-20 ? 0 : 1);
    }
}

// A network without fixed points: N without datum terms, and Q from N with the datum terms
// added before and subtracted after the inversion.
struct FreeNetwork {
    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0, defect = 0;
    NormalMatrix plain, q;

    FreeNetwork(bool height, const std::vector<int>& dropKinds) {
        if (height) {
            const double h[4] = {10.0, 12.5, 11.0, 14.25};
            for (int i = 0; i < 4; ++i) b.Point(std::string(1, char('A' + i)), 0, 0, h[i]);
            net.hdr.heightMode = 1;
            const int from[5] = {1, 2, 3, 1, 2}, to[5] = {2, 3, 4, 3, 4};
            for (int k = 0; k < 5; ++k) b.Obs(from[k], to[k], KindLevelled, h[to[k] - 1] - h[from[k] - 1] + 0.001 * k);
        } else {
            std::vector<testing::TruePoint> pts = testing::TriangulationPoints();
            for (auto& p : pts) p.planeClass = 0;
            std::vector<testing::Sighting> sightings;
            for (const auto& s : testing::TriangulationSightings())
                if (std::find(dropKinds.begin(), dropKinds.end(), s.kind) == dropKinds.end()) sightings.push_back(s);
            BuildPlaneNetwork(b, pts, sightings, 1e-5, 0.003, 3);
        }
        net.hdr.levelSigma = net.hdr.dirSigma = 1e-5f;
        net.hdr.distSigmaConst = 0.003f;
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
        plain.Allocate(n + 1);
        FormNormalEquations(net, plain, n, map, true);
        q.Allocate(n + 1);
        defect = AddDatumConstraints(net, q, map, 1.0);
        FormNormalEquations(net, q, n, map, true);
        EXPECT_EQ(InvertPacked(n, q), 1);
        AddDatumConstraints(net, q, map, -1.0);
    }
};

// Q of a free network annihilates every datum vector (translations, and rotation and scale
// when no observation fixes them) and is a reflexive generalised inverse of N.
TEST(FreeNetworkTest, InnerConstraintsForEveryDatumDefect) {
    struct Case {
        bool height;
        std::vector<int> dropKinds;
        int defect;
        bool rotation, scale;
    };
    for (const Case& c : {Case{true, {}, 1, false, false}, Case{false, {}, 2, false, false},
                          Case{false, {KindDistance}, 3, false, true},
                          Case{false, {KindAzimuth, KindDistance}, 4, true, true}}) {
        const FreeNetwork f(c.height, c.dropKinds);
        ASSERT_EQ(f.defect, c.defect);
        const size_t un = size_t(f.n);
        std::vector<double> ex(un, c.height ? 1.0 : 0.0), ey(un), r(un), s(un);
        for (int i = 1; !c.height && i <= f.net.hdr.pointCount; ++i) {
            const size_t k = size_t(2 * f.map[size_t(i)] - 2);
            const PointRec& p = f.net.Point(i);
            ex[k] = ey[k + 1] = 1.0;
            r[k] = -p.y, r[k + 1] = p.x, s[k] = p.x, s[k + 1] = p.y;
        }
        std::vector<std::vector<double>> g = {ex};
        if (!c.height) g.push_back(ey);
        if (c.rotation) g.push_back(r);
        if (c.scale) g.push_back(s);
        const Dense qd = Full(f.q, f.n), nd = Full(f.plain, f.n);
        for (const auto& v : g) {
            double norm = 0.0;
            for (double e : v) norm += e * e;
            for (size_t i = 0; i < un; ++i) {
                double ng = 0.0, qg = 0.0;
                for (size_t j = 0; j < un; ++j) ng += nd(i, j) * v[j], qg += qd(i, j) * v[j];
                ASSERT_NEAR(ng, 0.0, 1e-9 * nd(0, 0) * std::sqrt(norm)) << "not a null vector of N";
                EXPECT_NEAR(qg, 0.0, 1e-9 * qd(0, 0) * std::sqrt(norm)) << c.defect << " " << i;
            }
        }
        const Dense nqn = Multiply(Multiply(nd, qd), nd), qnq = Multiply(Multiply(qd, nd), qd);
        for (size_t k = 0; k < nd.v.size(); ++k) {
            EXPECT_NEAR(nqn.v[k], nd.v[k], 1e-8 * nd(0, 0)) << c.defect;
            EXPECT_NEAR(qnq.v[k], qd.v[k], 1e-8 * qd(0, 0)) << c.defect;
        }
    }
}

}  // namespace
}  // namespace quenvar
