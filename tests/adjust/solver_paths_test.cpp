// The sparse and the packed storage give the same adjustment: the saved database and the
// precision report byte for byte, the cofactors within the sparse storage's rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "report/report_lines.h"
#include "tests/adjust/plane_networks.h"
#include "tests/support/generated_networks.h"

namespace quenvar {
namespace {

using Builder = std::function<void(Network&, testing::NetworkBuilder&)>;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The saved database and the precision report after an adjustment with the given storage.
struct Outcome {
    Network net;
    int result = 0;
    std::string database;
    std::string report;
};

Outcome Adjust(const Builder& build, SolverKind solver, int method, int passes) {
    Outcome out;
    Network& net = out.net;
    testing::NetworkBuilder b(net);
    build(net, b);
    ReportBuffers reports;
    ApplyAdjustmentDefaults(net, reports);
    out.result = RunAdjustment(net, b.ui(), int16_t(method), int16_t(net.hdr.optionFlags & OptionAngleMode),
                               int16_t(passes), solver);
    const std::string path = "solver_paths_" + std::to_string(getpid()) + ".db";
    EXPECT_EQ(SaveDatabase(net, b.ui(), path.c_str(), 0), 2);
    out.database = Bytes(path);
    std::remove(path.c_str());
    BuildPrecisionReport(net, reports, out.report);
    return out;
}

// Both storages refine the corrections to the exact solution of the same equations, so the
// coordinates, residuals and reports, and with them the saved database, agree byte for byte.
void ExpectSamePaths(const Builder& build, int method, int passes, const std::string& what) {
    const Outcome sparse = Adjust(build, SolverKind::Sparse, method, passes);
    const Outcome packed = Adjust(build, SolverKind::Packed, method, passes);
    EXPECT_EQ(sparse.result, packed.result) << what;
    EXPECT_GT(sparse.database.size(), 100u) << what;
    EXPECT_EQ(sparse.report, packed.report) << what;
    EXPECT_TRUE(sparse.database == packed.database) << what;
}

// The largest difference of the two storages' cofactors of every point block after an
// adjustment, relative to sqrt(Q(i, i) Q(j, j)).
double CofactorDifference(const Builder& build) {
    std::vector<double> q[2];
    int unknowns = 0;
    for (const SolverKind solver : {SolverKind::Sparse, SolverKind::Packed}) {
        Network net;
        testing::NetworkBuilder b(net);
        build(net, b);
        ReportBuffers reports;
        ApplyAdjustmentDefaults(net, reports);
        const std::unique_ptr<NormalSystem> system = MakeNormalSystem(solver);
        EXPECT_EQ(RunAdjustment(net, b.ui(), MethodIteration, 0, 2, *system), ResultDone);
        const bool plane = PlaneNetwork(net);
        unknowns = 0;
        for (int p = 1; p <= net.hdr.pointCount; ++p)
            unknowns += (plane ? PlaneClass(net.Point(p)) : HeightClass(net.Point(p))) == PointKnown ? 0 : plane ? 2 : 1;
        for (int i = 1; i <= unknowns; ++i)
            q[solver == SolverKind::Packed].insert(q[solver == SolverKind::Packed].end(),
                                                   {system->Cofactor(i, i), plane && i % 2 == 0 ? system->Cofactor(i, i - 1) : 0.0});
    }
    double worst = 0.0;
    for (size_t k = 0; k < q[1].size(); k += 2) {
        worst = std::max(worst, std::fabs(q[0][k] - q[1][k]) / q[1][k]);
        if (k >= 2) worst = std::max(worst, std::fabs(q[0][k + 1] - q[1][k + 1]) / std::sqrt(q[1][k] * q[1][k - 2]));
    }
    return worst;
}

Builder Example(const char* file, bool height) {
    return [file, height](Network& net, testing::NetworkBuilder& b) {
        ASSERT_EQ(LoadDatabase(net, b.ui(), (std::string(QUENVAR_SOURCE_DIR) + "/examples/" + file).c_str()), 2);
        net.hdr.heightMode = height ? 1 : 0;
        ASSERT_EQ(Calculate(net, b.ui()), 1);
    };
}

Builder Mesh(int points, testing::MeshKind kind, int knownEvery = 1, int datumEvery = 0) {
    return [=](Network& net, testing::NetworkBuilder& b) {
        testing::TraverseMesh(points).Build(b, net, kind, knownEvery);
        if (knownEvery > 0) {
            ASSERT_EQ(Calculate(net, b.ui()), 1);
            return;
        }
        // A free mesh starts from coordinates a few centimetres off; some points may carry
        // the datum.
        for (int p = 1; p <= net.hdr.pointCount; ++p) {
            PointRec& r = net.Point(p);
            r.x += 0.03 * std::sin(p), r.y -= 0.02 * std::cos(p), r.h += 0.01 * std::sin(2.0 * p);
            if (datumEvery > 0 && p % datumEvery == 0) {
                if (kind == testing::MeshKind::Plane) SetPlaneClass(r, PointSpecial);
                if (kind == testing::MeshKind::Height) SetHeightClass(r, PointSpecial);
            }
        }
    };
}

TEST(SolverPathsTest, ExamplesAreByteIdentical) {
    ExpectSamePaths(Example("plane.txt", false), MethodIteration, 3, "plane example");
    ExpectSamePaths(Example("height.txt", true), MethodIteration, 3, "height example");
    ExpectSamePaths(Example("plane.txt", false), MethodSingle, 1, "plane example, single");
}

TEST(SolverPathsTest, GeneratedNetworksAgree) {
    using testing::MeshKind;
    ExpectSamePaths(Mesh(300, MeshKind::Plane), MethodIteration, 2, "plane mesh");
    ExpectSamePaths(Mesh(600, MeshKind::Height), MethodIteration, 2, "height mesh");
    ExpectSamePaths(Mesh(150, MeshKind::Plane, 0), MethodIteration, 2, "free plane mesh");
    ExpectSamePaths(Mesh(150, MeshKind::Plane, 0, 7), MethodIteration, 2, "plane mesh, datum on some points");
    ExpectSamePaths(Mesh(300, MeshKind::Height, 0), MethodIteration, 2, "free height mesh");
    ExpectSamePaths(Mesh(300, MeshKind::Height, 0, 5), MethodIteration, 2, "height mesh, datum on some points");
    ExpectSamePaths(Mesh(600, MeshKind::Plane, 0), MethodIteration, 2, "free plane mesh of 600 points");
    ExpectSamePaths(Mesh(600, MeshKind::Plane, 0, 7), MethodIteration, 2, "600 points, datum on some points");
}

// Larger free plane meshes, whose ellipses come in every direction: a bearing close to the X axis
// turns a difference far below the last place of a cofactor into a different float.
TEST(SolverPathsTest, LargeFreeNetworksAgree) {
    using testing::MeshKind;
    ExpectSamePaths(Mesh(1000, MeshKind::Plane, 0), MethodIteration, 2, "free plane mesh of 1000 points");
    ExpectSamePaths(Mesh(1000, MeshKind::Plane, 0, 7), MethodIteration, 2, "1000 points, datum on some points");
}

// The packed storage refines the cofactors it gives; the sparse storage's own rounding remains.
// A free plane network's variances spread widely (a factor 700 from the centroid to the corners
// of the 150-point mesh) and come out of a datum correction that cancels most of the pinned
// inverse: that is why it is carried in long double.
TEST(SolverPathsTest, CofactorsAgreeBeforeTheyAreRounded) {
    using testing::MeshKind;
    EXPECT_LE(CofactorDifference(Mesh(300, MeshKind::Plane)), 1e-12);
    EXPECT_LE(CofactorDifference(Mesh(600, MeshKind::Height)), 1e-12);
    EXPECT_LE(CofactorDifference(Mesh(300, MeshKind::Height, 0, 5)), 1e-12);
    EXPECT_LE(CofactorDifference(Mesh(150, MeshKind::Plane, 0)), 1e-12);
    EXPECT_LE(CofactorDifference(Mesh(150, MeshKind::Plane, 0, 7)), 1e-12);
}

TEST(SolverPathsTest, EveryReweightingMethodIsByteIdentical) {
    // Three gross errors, so that the robust methods change weights.
    const Builder outliers = [](Network& net, testing::NetworkBuilder& b) {
        Mesh(120, testing::MeshKind::Plane)(net, b);
        for (const int o : {17, 101, 240}) net.Obs(o).value += KindOf(net.Obs(o)) == KindDistance ? 0.05 : 1e-4;
    };
    for (const int method : {MethodDanish, MethodDataSnooping, MethodHuber, MethodZhouJiangwen,
                             MethodGrossErrorsAfter, MethodVarianceComponents})
        ExpectSamePaths(outliers, method, 6, "method " + std::to_string(method));
    // A free network re-weighted with qvv inverts in every pass, each time in long double.
    const Builder freeOutliers = [](Network& net, testing::NetworkBuilder& b) {
        Mesh(150, testing::MeshKind::Plane, 0)(net, b);
        for (const int o : {17, 101, 240}) net.Obs(o).value += KindOf(net.Obs(o)) == KindDistance ? 0.05 : 1e-4;
    };
    ExpectSamePaths(freeOutliers, MethodHuber, 6, "free network, Huber");
}

TEST(SolverPathsTest, SingularNetworksFailAlike) {
    // One fixed point and no azimuth: the rotation is free.
    const Builder oneFixed = [](Network& net, testing::NetworkBuilder& b) {
        testing::BuildRotationFreeTriangulation(b, net);
    };
    for (const SolverKind solver : {SolverKind::Sparse, SolverKind::Packed}) {
        Network net;
        testing::NetworkBuilder b(net);
        oneFixed(net, b);
        EXPECT_EQ(RunAdjustment(net, b.ui(), MethodIteration, 0, 3, solver), ResultSolution) << SolverName(solver);
    }
}

}  // namespace
}  // namespace quenvar
