// Inversion of free and quasi-stable network matrices through their sparse part against the
// dense inversion of the matrix with its datum terms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/datum_constraints.h"
#include "adjust/datum_inverse.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "tests/adjust/inverse_comparison.h"
#include "tests/adjust/plane_networks.h"

namespace quenvar {
namespace {

struct FreeGrid {
    bool distances, azimuth;
    int specialEvery;  // every k-th point is a datum point of class 2; 0: none
};

// A side x side grid, 250 m spacing, without fixed points: directions to the four neighbours
// and along one diagonal, optionally distances east and north and one azimuth.
void BuildFreeGrid(Network& net, std::vector<std::string>& names, int side, const FreeGrid& g) {
    testing::NetworkBuilder b(net);
    std::vector<testing::TruePoint> pts;
    std::vector<testing::Sighting> sightings;
    for (int k = 0; k < side * side; ++k) names.push_back("F" + std::to_string(k));
    for (int k = 0; k < side * side; ++k) {
        const int r = k / side, c = k % side;
        const int cls = g.specialEvery > 0 && k % g.specialEvery == 0 ? PointSpecial : PointUnknown;
        pts.push_back({names[size_t(k)].c_str(), 3000.0 + 250.0 * r + 6.0 * std::sin(k),
                       7000.0 + 250.0 * c + 5.0 * std::cos(1.7 * k), cls, 0.4 * k});
        const int dr[6] = {1, -1, 0, 0, 1, -1}, dc[6] = {0, 0, 1, -1, 1, -1};
        for (int e = 0; e < 6; ++e) {
            const int r2 = r + dr[e], c2 = c + dc[e];
            if (r2 < 0 || c2 < 0 || r2 >= side || c2 >= side) continue;
            sightings.push_back({k + 1, r2 * side + c2 + 1, KindDirection});
            if (g.distances && (e == 0 || e == 2)) sightings.push_back({k + 1, r2 * side + c2 + 1, KindDistance});
        }
    }
    if (g.azimuth) sightings.push_back({1, 2, KindAzimuth});
    testing::BuildPlaneNetwork(b, pts, sightings, 5e-6, 0.002, 5, 0.03);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.distSigmaConst = 0.003f;
}

// A levelling grid without fixed points: height differences to the east and north neighbours.
void BuildLevellingGrid(Network& net, int side) {
    testing::NetworkBuilder b(net);
    testing::Noise noise(3);
    auto height = [](int k) { return 50.0 + 3.0 * std::sin(0.3 * k) + 0.01 * k; };
    for (int k = 0; k < side * side; ++k) b.Point("H" + std::to_string(k), 0, 0, height(k) + 0.02);
    for (int k = 0; k < side * side; ++k)
        for (const int t : {k + 1, k + side})
            if (t < side * side && (t == k + side || t % side != 0))
                b.Obs(k + 1, t + 1, KindLevelled, height(t) - height(k) + 0.001 * noise.Next());
    net.hdr.heightMode = 1;
    net.hdr.levelSigma = 0.001f;
    net.hdr.levelSigma4 = 0.002f;
}

// The normal matrix of a first pass with its datum terms, as the adjustment forms it.
int FormWithDatum(Network& net, UnknownMap& map, NormalMatrix& m) {
    testing::RecordingMessenger ui;
    map.assign(size_t(net.hdr.pointCount) + 1, -1);
    net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
    const int n = NumberUnknowns(net, ui, map);
    EXPECT_TRUE(SetObservationWeights(net, map) == 1 && m.Allocate(n + 1));
    EXPECT_GT(AddDatumConstraints(net, m, map, +1.0), 0);
    EXPECT_GT(FormNormalEquations(net, m, n, map, true), 0);
    return n;
}

// Largest difference of the cofactors Q (inverse less the datum terms) of the sparse route
// from the dense inversion, relative to sqrt(Q(i, i) Q(j, j)); the right-hand side row must
// stay as it was.
double Deviation(const Network& net, int n, const NormalMatrix& m, const UnknownMap& map) {
    NormalMatrix a = testing::CopyOf(m), b = testing::CopyOf(m);
    EXPECT_EQ(InvertFreeNetworkSparse(net, n, a, map), 1);
    EXPECT_EQ(InvertPacked(n, b), 1);
    AddDatumConstraints(net, a, map, -1.0);
    AddDatumConstraints(net, b, map, -1.0);
    return testing::RelativeDeviation(n, a, b, m);
}

TEST(FreeNetworkInverseTest, EqualsDenseInversionForEachDatumDefect) {
    const struct {
        FreeGrid grid;
        int defect;
    } cases[] = {{{true, true, 0}, 2}, {{true, false, 0}, 3}, {{false, false, 0}, 4}, {{true, false, 7}, 3}};
    for (const auto& c : cases) {
        Network net;
        std::vector<std::string> names;
        BuildFreeGrid(net, names, 16, c.grid);
        UnknownMap map;
        NormalMatrix m;
        const int n = FormWithDatum(net, map, m);
        DatumVectors datum;
        ASSERT_TRUE(FindDatumVectors(net, map, datum));
        EXPECT_EQ(datum.defect, c.defect);
        // The datum vectors are orthonormal.
        for (int k = 0; k < datum.columns; ++k)
            for (int l = 0; l <= k; ++l) {
                double s = 0.0;
                for (size_t a = 0; a < datum.unknowns.size(); ++a)
                    s += datum.values[a * size_t(datum.columns) + size_t(k)] * datum.values[a * size_t(datum.columns) + size_t(l)];
                EXPECT_NEAR(s, k == l ? 1.0 : 0.0, 1e-12);
            }
        EXPECT_LT(Deviation(net, n, m, map), 1e-9) << c.defect << " " << c.grid.specialEvery;
    }
    Network net;
    BuildLevellingGrid(net, 12);
    UnknownMap map;
    NormalMatrix m;
    const int n = FormWithDatum(net, map, m);
    EXPECT_EQ(n, 144);
    EXPECT_LT(Deviation(net, n, m, map), 1e-9);
}

TEST(FreeNetworkInverseTest, SingularMatrixFailsAsTheDenseInversionDoes) {
    Network net;
    std::vector<std::string> names;
    BuildFreeGrid(net, names, 16, {true, false, 7});
    UnknownMap map;
    NormalMatrix m;
    const int n = FormWithDatum(net, map, m);
    for (int j = 1; j <= n; ++j) m.At(3, j) = 0.0;  // an unknown outside the datum without observations
    const std::vector<double> before(m.Row(1), m.Row(1) + PackedSize(n + 1));
    EXPECT_EQ(InvertFreeNetworkSparse(net, n, m, map), 0);
    for (size_t e = 0; e < before.size(); ++e) ASSERT_NEAR(m.Row(1)[e], before[e], 1e-9 * std::fabs(before[e])) << e;
    EXPECT_EQ(InvertWithDatum(net, n, m, map, InvertNormalMatrix), 0);
}

TEST(FreeNetworkInverseTest, AdjustmentMatchesDenseInversion) {
    testing::RecordingMessenger ui;
    Network nets[2];
    std::vector<std::string> names[2];
    for (int s = 0; s < 2; ++s) {
        BuildFreeGrid(nets[s], names[s], 16, {true, false, 0});
        EXPECT_EQ(RunAdjustment(nets[s], ui, MethodIteration, 0, 3, s == 0 ? InvertNormalMatrix : InvertPacked),
                  ResultDone);
    }
    ASSERT_GT(nets[0].ellipses.size(), size_t(100));
    testing::ExpectSameAdjustment(nets[0], nets[1]);
}

}  // namespace
}  // namespace quenvar
