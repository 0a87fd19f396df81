// The direction-mode adjustment against a textbook Gauss-Markov model with explicit
// orientation unknowns, set up here independently in dense matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "adjust/adjusted_cofactors.h"
#include "adjust/adjustment_driver.h"
#include "adjust/corrections.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_rows.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "geom/angles.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

using testing::Dense;

// The reference solution of one linearisation at the current coordinates.
struct Reference {
    std::vector<double> coords;          // adjusted X, Y of the unknown points in point order
    Dense q;                             // cofactors of all unknowns, coordinates first
    double sigma0 = 0.0;
    std::map<int, double> obsCofactor;   // cofactor of each adjusted observation
};

Reference GaussMarkov(const Network& net, double s0) {
    const NetHeader& h = net.hdr;
    std::vector<int> unknownOf(size_t(h.pointCount) + 1, -1), orientOf(size_t(h.pointCount) + 1, -1);
    int nu = 0;
    for (int i = 1; i <= h.pointCount; ++i)
        if (PlaneClass(net.Point(i)) != 1) unknownOf[size_t(i)] = (nu += 2) - 2;
    const int coordUnknowns = nu;
    // A station with two or more directions gets an orientation unknown; a lone one is dropped.
    std::vector<int> directions(size_t(h.pointCount) + 1, 0);
    for (int i = 1; i <= h.pointCount; ++i)
        for (int o = net.Point(i).firstObs; o; o = net.Obs(o).next)
            if (KindOf(net.Obs(o)) == KindDirection) ++directions[size_t(i)];
    for (int i = 1; i <= h.pointCount; ++i)
        if (directions[size_t(i)] >= 2) orientOf[size_t(i)] = nu++;
    std::vector<std::vector<double>> rows;
    std::vector<double> l, p;
    std::vector<int> obsIndex;
    for (int i = 1; i <= h.pointCount; ++i) {
        const PointRec& a = net.Point(i);
        double z0 = 0.0;
        bool haveZ = false;
        for (int o = a.firstObs; o; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const int kind = KindOf(r);
            if (kind == KindDirection && orientOf[size_t(i)] < 0) continue;
            const PointRec& t = net.Point(r.target);
            const double dx = t.x - a.x, dy = t.y - a.y, s2 = dx * dx + dy * dy, s = std::sqrt(s2);
            const double az = std::atan2(dy, dx);
            std::vector<double> row(size_t(nu), 0.0);
            double computed = 0.0;
            auto put = [&](int point, double cx, double cy) {
                if (unknownOf[size_t(point)] < 0) return;
                row[size_t(unknownOf[size_t(point)])] += cx;
                row[size_t(unknownOf[size_t(point)]) + 1] += cy;
            };
            double weight = 1.0;
            if (kind == KindDistance) {
                put(r.target, dx / s, dy / s);
                put(i, -dx / s, -dy / s);
                computed = s;
                const double m = h.distSigmaConst + h.distSigmaPpm * r.value * 1e-6;
                weight = double(float((s0 / m) * (s0 / m)));  // weights are 4-byte floats
            } else {
                put(r.target, -dy / s2, dx / s2);
                put(i, dy / s2, -dx / s2);
                computed = az;
                if (kind == KindDirection) {
                    if (!haveZ) {
                        z0 = az - r.value;
                        haveZ = true;
                    }
                    row[size_t(orientOf[size_t(i)])] = -1.0;
                    computed = az - z0;
                }
            }
            double misclosure = r.value - computed;
            // Angles are wrapped with the system's full circle, as the observations were.
            if (kind != KindDistance) misclosure -= FullCircle * std::round(misclosure / FullCircle);
            rows.push_back(row);
            l.push_back(misclosure);
            p.push_back(weight);
            obsIndex.push_back(o);
        }
    }
    Dense A(rows.size(), size_t(nu)), PA(rows.size(), size_t(nu));
    for (size_t k = 0; k < rows.size(); ++k)
        for (size_t j = 0; j < size_t(nu); ++j) {
            A(k, j) = rows[k][j];
            PA(k, j) = p[k] * rows[k][j];
        }
    Reference ref;
    ref.q = testing::Inverse(Multiply(Transpose(A), PA));
    std::vector<double> atpl(size_t(nu), 0.0), u(size_t(nu), 0.0);
    for (size_t k = 0; k < rows.size(); ++k)
        for (size_t j = 0; j < size_t(nu); ++j) atpl[j] += PA(k, j) * l[k];
    for (size_t i = 0; i < size_t(nu); ++i)
        for (size_t j = 0; j < size_t(nu); ++j) u[i] += ref.q(i, j) * atpl[j];
    double vpv = 0.0;
    for (size_t k = 0; k < rows.size(); ++k) {
        double v = -l[k];
        double c = 0.0;
        for (size_t i = 0; i < size_t(nu); ++i) {
            v += A(k, i) * u[i];
            for (size_t j = 0; j < size_t(nu); ++j) c += A(k, i) * ref.q(i, j) * A(k, j);
        }
        vpv += p[k] * v * v;
        ref.obsCofactor[obsIndex[k]] = c;
    }
    ref.sigma0 = std::sqrt(vpv / double(rows.size() - size_t(nu)));
    for (int i = 1; i <= h.pointCount; ++i) {
        if (unknownOf[size_t(i)] < 0) continue;
        ref.coords.push_back(net.Point(i).x + u[size_t(unknownOf[size_t(i)])]);
        ref.coords.push_back(net.Point(i).y + u[size_t(unknownOf[size_t(i)]) + 1]);
    }
    (void)coordUnknowns;
    return ref;
}

struct CollectCofactors : CofactorSink {
    std::map<int, double> c;
    void Rated(int obs, const WorkRow&, double, double cofactor) override { c[obs] = cofactor; }
};

class DirectionEliminationTest : public ::testing::Test {
protected:
    void SetUp() override {
        net.hdr.dirSigma = 1e-5f;
        net.hdr.distSigmaConst = 0.003f;
        net.hdr.distSigmaPpm = 2.0f;
    }
    void Build(unsigned seed) {
        BuildPlaneNetwork(b, net, testing::TriangulationPoints(), testing::TriangulationSightings(), 2e-5, 0.004,
                          seed);
    }
    Network net;
    testing::NetworkBuilder b{net};
};

TEST_F(DirectionEliminationTest, OnePassMatchesExplicitOrientationUnknowns) {
    Build(7);
    const Reference ref = GaussMarkov(net, net.hdr.dirSigma);

    UnknownMap map(size_t(net.hdr.pointCount) + 1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    const int n = NumberUnknowns(net, b.ui(), map);
    ASSERT_EQ(n, 6);
    SetObservationWeights(net, map);
    NormalMatrix N;
    ASSERT_TRUE(N.Allocate(n + 1));
    const int m = FormNormalEquations(net, N, n, map, false);
    EXPECT_EQ(m, 22 - 5);  // 22 equations less five station orientations
    ASSERT_EQ(InvertNormalMatrix(n, N), 1);
    // Cofactors at the coordinates of the linearisation, before the corrections move them.
    CollectCofactors sink;
    ASSERT_EQ(ComputeAdjustedCofactors(net, N, n, map, false, &sink), 1);
    std::vector<double> x(static_cast<size_t>(n));
    SolveCorrections(N, x, n);
    ApplyCorrections(net, x, map);
    const double sigma0 = std::sqrt(N.Last() / (m - n));

    EXPECT_NEAR(sigma0, ref.sigma0, 1e-9 * ref.sigma0);
    int k = 0;
    for (int i = 3; i <= 5; ++i) {
        EXPECT_NEAR(net.Point(i).x, ref.coords[size_t(k)], 1e-9) << i;
        EXPECT_NEAR(net.Point(i).y, ref.coords[size_t(k) + 1], 1e-9) << i;
        k += 2;
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j)
            EXPECT_NEAR(N.At(i, j), ref.q(size_t(i - 1), size_t(j - 1)), 1e-9 * ref.q(0, 0)) << i << "," << j;
    ASSERT_EQ(sink.c.size(), ref.obsCofactor.size());
    for (const auto& [o, c] : ref.obsCofactor) {
        EXPECT_NEAR(sink.c[o], c, 1e-9 * c) << o;
        EXPECT_FLOAT_EQ(CofactorOf(net, o), float(c)) << o;
    }
}

TEST_F(DirectionEliminationTest, SingleAdjustmentThroughTheDriverGivesTheSameResult) {
    Build(11);
    const Reference ref = GaussMarkov(net, net.hdr.dirSigma);
    ASSERT_EQ(RunAdjustment(net, b.ui(), 0, 0, 1), ResultSingleDone);
    EXPECT_TRUE(net.weightTable.empty());
    EXPECT_NEAR(net.hdr.planeSigma0, ref.sigma0, 1e-6 * ref.sigma0);
    EXPECT_NEAR(net.Point(4).x, ref.coords[2], 1e-9);
    EXPECT_NEAR(net.Point(4).y, ref.coords[3], 1e-9);
    EXPECT_EQ(net.ellipses[1].p1, 3);
    EXPECT_NEAR(std::hypot(net.ellipses[1].a, net.ellipses[1].b), std::sqrt(ref.q(0, 0) + ref.q(1, 1)) * net.hdr.planeSigma0,
                1e-6);
}

}  // namespace
}  // namespace quenvar
