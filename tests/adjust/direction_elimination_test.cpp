// The direction-mode adjustment against a textbook Gauss-Markov model with explicit
// orientation unknowns, set up here independently in dense matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "adjust/adjusted_cofactors.h"
#include "adjust/corrections.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

using testing::Dense;

// The reference solution of one linearisation at the current coordinates.
struct Reference {
    std::vector<double> coords;         // adjusted X, Y of the unknown points in point order
    Dense q;                            // cofactors of all unknowns, coordinates first
    double sigma0;
    std::map<int, double> obsCofactor;  // cofactor of each adjusted observation
};

// Every station has two or more directions, so every station gets an orientation unknown.
Reference GaussMarkov(const Network& net, double s0) {
    const NetHeader& h = net.hdr;
    std::vector<int> unknownOf(size_t(h.pointCount) + 1, -1);
    int nu = 0;
    for (int i = 1; i <= h.pointCount; ++i)
        if (PlaneClass(net.Point(i)) != 1) unknownOf[size_t(i)] = (nu += 2) - 2;
    const int firstOrientation = nu;
    nu += h.pointCount;
    const size_t eqs = size_t(h.obsCount), un = size_t(nu);
    Dense A(eqs, un), L(eqs, 1);  // row k - 1: observation k, times the root of its weight
    std::vector<double> p(eqs, 1.0);
    for (int i = 1; i <= h.pointCount; ++i) {
        const PointRec& a = net.Point(i);
        double z0 = NAN;  // approximate orientation from the station's first direction
        for (int o = a.firstObs; o; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            const PointRec& t = net.Point(r.target);
            const size_t k = size_t(o - 1);
            const double dx = t.x - a.x, dy = t.y - a.y, s2 = dx * dx + dy * dy, s = std::sqrt(s2);
            auto put = [&](int point, double cx, double cy) {
                if (const int u = unknownOf[size_t(point)]; u >= 0) A(k, size_t(u)) += cx, A(k, size_t(u) + 1) += cy;
            };
            double computed = std::atan2(dy, dx);
            if (KindOf(r) == KindDistance) {
                put(r.target, dx / s, dy / s);
                put(i, -dx / s, -dy / s);
                computed = s;
                const double m = h.distSigmaConst + h.distSigmaPpm * r.value * 1e-6;
                p[k] = double(float((s0 / m) * (s0 / m)));  // weights are 4-byte floats
            } else {
                put(r.target, -dy / s2, dx / s2);
                put(i, dy / s2, -dx / s2);
                if (KindOf(r) == KindDirection) {
                    if (std::isnan(z0)) z0 = computed - r.value;
                    A(k, size_t(firstOrientation + i - 1)) = -1.0;
                    computed -= z0;
                }
            }
            double misclosure = r.value - computed;
            if (KindOf(r) != KindDistance) misclosure -= FullCircle * std::round(misclosure / FullCircle);
            L(k, 0) = std::sqrt(p[k]) * misclosure;
            for (size_t j = 0; j < un; ++j) A(k, j) *= std::sqrt(p[k]);
        }
    }
    Reference ref{{}, testing::Inverse(Multiply(A, A, true)), 0.0, {}};
    const Dense u = Multiply(ref.q, Multiply(A, L, true)), v = Multiply(A, u), aq = Multiply(A, ref.q);
    double vpv = 0.0;
    for (size_t k = 0; k < eqs; ++k) {
        double c = 0.0;
        for (size_t j = 0; j < un; ++j) c += aq(k, j) * A(k, j);
        vpv += (v(k, 0) - L(k, 0)) * (v(k, 0) - L(k, 0));
        ref.obsCofactor[int(k) + 1] = c / p[k];
    }
    ref.sigma0 = std::sqrt(vpv / double(eqs - un));
    for (int i = 1; i <= h.pointCount; ++i)
        if (const int k = unknownOf[size_t(i)]; k >= 0)
            ref.coords.insert(ref.coords.end(), {net.Point(i).x + u(size_t(k), 0), net.Point(i).y + u(size_t(k) + 1, 0)});
    return ref;
}

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
    ASSERT_EQ(InvertPacked(n, N), 1);
    // Cofactors at the coordinates of the linearisation, before the corrections move them.
    CollectCofactors sink;
    ASSERT_EQ(ComputeAdjustedCofactors(net, N, n, map, false, &sink), 1);
    std::vector<double> x(static_cast<size_t>(n));
    SolveCorrections(N, x, n);
    ApplyCorrections(net, x, map);

    EXPECT_NEAR(std::sqrt(N.Last() / (m - n)), ref.sigma0, 1e-9 * ref.sigma0);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(k % 2 ? net.Point(3 + k / 2).y : net.Point(3 + k / 2).x, ref.coords[size_t(k)], 1e-9) << k;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j)
            EXPECT_NEAR(N.At(i, j), ref.q(size_t(i - 1), size_t(j - 1)), 1e-9 * ref.q(0, 0)) << i << "," << j;
    ASSERT_EQ(sink.c.size(), ref.obsCofactor.size());
    for (const auto& [o, c] : ref.obsCofactor) {
        EXPECT_NEAR(sink.c[o], c, 1e-9 * c) << o;
        EXPECT_FLOAT_EQ(CofactorOf(net, o), float(c)) << o;
    }
}

}  // namespace
}  // namespace quenvar
