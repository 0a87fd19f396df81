// The design analysis of a planned network: the general design against an adjustment of the
// same network, planned observations, and the third-class analysis with its files, its weakest
// direction and its ratings checked against a second formulation.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/adjustment_driver.h"
#include "adjust/adjustment_parameters.h"
#include "adjust/design_steps.h"
#include "adjust/jacobi_eigen.h"
#include "adjust/reweighting.h"
#include "report/report_lines.h"
#include "tests/adjust/plane_networks.h"
#include "tests/netdb/file_test_support.h"

namespace quenvar {
namespace {

using testing::Dense;

// A-priori errors 2", 3 mm + 2 ppm.
void PriorErrors(Network& net) {
    SetAdjustmentParam(net.hdr, ParamDirection, 2.0, 0);
    SetAdjustmentParam(net.hdr, ParamDistanceFixed, 3.0, 0);
    SetAdjustmentParam(net.hdr, ParamDistancePpm, 2.0, 0);
}

// The triangulation network with its true coordinates and error-free observations, the
// a-priori errors, and one planned distance A-Q (class 6).
int PlannedTriangulation(Network& net, testing::NetworkBuilder& b) {
    testing::BuildPlaneNetwork(b, testing::TriangulationPoints(), testing::TriangulationSightings(), 0.0, 0.0, 1, 0.0);
    PriorErrors(net);
    net.hdr.designMode = 1;
    return b.Obs(1, 4, KindDistance, std::hypot(900.0, 900.0), ClassPlanned);
}

// The cofactor matrix Q of "optim0.dat", read here byte by byte: n, s0, then the packed
// lower triangle of 4-byte floats.
Dense ReadMatrixFile(const std::string& path, float& s0) {
    const std::string bytes = testing::ReadAll(path);
    auto f32 = [&bytes](size_t at) {
        float v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    const size_t n = size_t(uint8_t(bytes[0]) | (uint8_t(bytes[1]) << 8));
    s0 = f32(2);
    Dense q(n, n);
    size_t at = 6;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j <= i; ++j, at += 4) q(i, j) = q(j, i) = f32(at);
    EXPECT_EQ(bytes.size(), at);
    return q;
}

double Trace(const Dense& q) {
    double t = 0.0;
    for (size_t i = 0; i < q.rows; ++i) t += q(i, i);
    return t;
}

// A levelled line without redundancy, which an adjustment refuses, is analysed in a design.
TEST(GeneralDesign, RedundancyZeroIsAnalysed) {
    Network net;
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    net.hdr.designMode = 1;
    net.hdr.levelSigma = 0.002f;
    b.Obs(b.Point("A", 0, 0, 10.0, 0, PointKnown), b.Point("B", 0, 0, 12.0), KindLevelled, 2.0);
    b.Obs(1, 2, KindLineLength, 4000.0);  // 4 km: weight 1/4
    ASSERT_EQ(RunAdjustment(net, b.ui(), MethodSingle, 0, 1), ResultDone);
    EXPECT_EQ(net.hdr.heightSigma0, 0.002f);  // the a-priori error stands for the a-posteriori one
    EXPECT_FLOAT_EQ(net.ellipses[1].a, 0.004f);  // 2 mm per unit weight x sqrt(4)
    EXPECT_FLOAT_EQ(CofactorOf(net, 1), 4.0f);   // r = 1 - p c = 0
    EXPECT_EQ(std::tuple(net.Obs(1).residual, StateBits(net.Obs(1)), net.hdr.optionFlags & OptionResultBits),
              std::tuple(0.0f, 0, int(OptionAdjusted)));
}

// The same network adjusted from noisy observations and then designed at its adjusted
// coordinates with the same a-priori errors: equal cofactors of the adjusted observations and
// error ellipses in proportion to the unit-weight errors.
TEST(GeneralDesign, CofactorsEqualThoseOfTheAdjustment) {
    Network adjusted;
    testing::NetworkBuilder b(adjusted);
    testing::BuildPlaneNetwork(b, testing::TriangulationPoints(), testing::TriangulationSightings(), 1e-5, 0.004, 11);
    PriorErrors(adjusted);
    ASSERT_EQ(RunAdjustment(adjusted, b.ui(), MethodIteration, 0, 6), ResultDone);

    Network design = adjusted;
    design.hdr.designMode = 1;
    ASSERT_EQ(RunAdjustment(design, b.ui(), MethodSingle, 0, 1), ResultDone);
    EXPECT_EQ(design.hdr.planeSigma0, design.hdr.dirSigma);
    for (int o = 1; o <= design.hdr.obsCount; ++o) {
        EXPECT_NEAR(CofactorOf(design, o), CofactorOf(adjusted, o), 1e-5 * CofactorOf(adjusted, o)) << o;
        EXPECT_EQ(design.Obs(o).residual, 0.0f) << o;
    }
    ASSERT_EQ(design.hdr.ellipseCount, adjusted.hdr.ellipseCount);
    const double scale = double(design.hdr.planeSigma0) / adjusted.hdr.planeSigma0;
    for (size_t e = 1; e <= design.hdr.ellipseCount; ++e) {
        const EllipseRec &d = design.ellipses[e], &a = adjusted.ellipses[e];
        EXPECT_EQ(d.p2, a.p2);
        EXPECT_NEAR(d.a, scale * a.a, 1e-5 * d.a);
        EXPECT_NEAR(d.b, scale * a.b, 1e-5 * d.b);
    }
}

// A planned distance takes no part in the normal equations but gets the cofactor c = a^T Q a;
// observing it with weight p gives the cofactor c' of the Sherman-Morrison update,
// 1/c' = 1/c + p.
TEST(GeneralDesign, PlannedObservationIsRatedWithoutEnteringTheNormalEquations) {
    Network planned;
    testing::NetworkBuilder b(planned);
    const int o = PlannedTriangulation(planned, b);
    ASSERT_EQ(RunAdjustment(planned, b.ui(), MethodSingle, 0, 1), ResultDone);
    Network observed = planned;
    SetObsClass(observed.Obs(o), ClassOrdinary);
    ASSERT_EQ(RunAdjustment(observed, b.ui(), MethodSingle, 0, 1), ResultDone);

    const double p = WeightOf(planned, o), c = CofactorOf(planned, o), observedC = CofactorOf(observed, o);
    ASSERT_GT(c, 0.0);
    EXPECT_EQ(WeightOf(observed, o), p);
    EXPECT_NEAR(1.0 / observedC, 1.0 / c + p, 1e-5 * (1.0 / c + p));
    EXPECT_LT(observed.ellipses[0].a, planned.ellipses[0].a);  // the network gets better
}

// ---- third-class analysis -------------------------------------------------------------

// A dense symmetric matrix is rebuilt from its eigenvectors (the rows of V) and eigenvalues,
// V^T D V, and V is orthonormal, to the precision of 4-byte floats.
TEST(JacobiEigen, DecomposesADenseSymmetricMatrix) {
    const int n = 12;
    testing::Noise noise(3);
    FloatMatrix a, v;
    ASSERT_TRUE(a.Allocate(n) && v.Allocate(n));
    Dense original(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n; ++j) original(size_t(i - 1), size_t(j - 1)) = original(size_t(j - 1), size_t(i - 1)) =
                                         a(i, j) = a(j, i) = float(noise.Next() + (i == j ? 3.0 : 0.0));
    std::vector<float> d(n + 1);
    EXPECT_GT(JacobiEigen(a, v, d), n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double rebuilt = 0.0, unit = 0.0;
            for (int k = 1; k <= n; ++k) rebuilt += double(v(k, i)) * d[size_t(k)] * v(k, j), unit += double(v(i, k)) * v(j, k);
            EXPECT_NEAR(rebuilt, original(size_t(i - 1), size_t(j - 1)), 2e-5) << i << "," << j;
            EXPECT_NEAR(unit, i == j ? 1.0 : 0.0, 2e-6) << i << "," << j;
        }
}

struct ThirdClass {
    Network net;
    testing::NetworkBuilder b{net};
    testing::TempDir dir;
    DesignFiles files{dir.File("")};

    int16_t Stage1() { return RunAdjustment(net, b.ui(), 1, 0, 1, SolverKind::Sparse, &files); }
    std::string Bytes(const std::string& name) { return testing::ReadAll(dir.File(name)); }
};

std::string Le16(int v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string Le32(float f) {
    std::string s(4, '\0');
    std::memcpy(s.data(), &f, 4);
    return s;
}

TEST(ThirdClassFiles, ByteLayoutsOfTheMatrixAndTheWeakestDirection) {
    ThirdClass t;
    t.net.hdr.dirSigma = 0.5f;
    NormalMatrix q;
    ASSERT_TRUE(q.Allocate(3));
    q.At(1, 1) = 2.0, q.At(2, 1) = 1.0, q.At(2, 2) = 2.0, q.At(3, 3) = 99.0;  // row 3 is not written
    EXPECT_EQ(WriteDesignMatrix(t.net, q, 2, t.files), 98);
    const std::string matrix = Le16(2) + Le32(0.5f) + Le32(2.0f) + Le32(1.0f) + Le32(2.0f);
    EXPECT_EQ(t.Bytes("optim0.dat"), matrix);

    // s0 Q = [[1, 0.5], [0.5, 1]]: eigenvalues 1.5 and 0.5, lambda = 1.5 / s0 with (1, 1)/sqrt 2.
    ASSERT_EQ(FindWeakestDirection(t.files), 1);
    const std::string direction = t.Bytes("optim1.dat");
    ASSERT_EQ(direction.size(), 2u + 4 + 4 + 2 * 4);
    EXPECT_EQ(direction.substr(0, 10), Le16(2) + Le32(0.5f) + Le32(3.0f));
    std::vector<float> e;
    ASSERT_EQ(ReadWeakestDirection(e, 2, t.files), 1);
    EXPECT_NEAR(std::fabs(e[1]), std::sqrt(0.5), 1e-6);
    EXPECT_FLOAT_EQ(e[1], e[2]);
    EXPECT_EQ(e[3], 3.0f);  // lambda behind the vector
    EXPECT_EQ(ReadWeakestDirection(e, 3, t.files), 0);

    NormalMatrix back;
    ASSERT_TRUE(back.Allocate(3));
    EXPECT_EQ(ReadDesignMatrix(back, 3, t.files), 0);  // another number of unknowns
    ASSERT_EQ(ReadDesignMatrix(back, 2, t.files), 1);
    EXPECT_EQ(std::vector<double>(back.Row(1), back.Row(3)), (std::vector<double>{2.0, 1.0, 2.0}));
    testing::WriteAll(t.dir.File("optim0.dat"), matrix.substr(0, matrix.size() - 1));
    EXPECT_EQ(ReadDesignMatrix(back, 2, t.files), 0);  // short
    EXPECT_EQ(FindWeakestDirection(t.files), 0);
}

TEST(ThirdClassFiles, TheStepBetweenFailsOnMissingShortDiagonalAndSingleUnknownMatrices) {
    ThirdClass t;
    EXPECT_EQ(FindWeakestDirection(t.files), 0);  // no file
    const std::string diagonal = Le16(2) + Le32(1.0f) + Le32(2.0f) + Le32(0.0f) + Le32(3.0f);
    testing::WriteAll(t.dir.File("optim0.dat"), diagonal);
    EXPECT_EQ(FindWeakestDirection(t.files), 0);  // no rotation
    testing::WriteAll(t.dir.File("optim0.dat"), Le16(1) + Le32(1.0f) + Le32(2.0f));
    EXPECT_EQ(FindWeakestDirection(t.files), 0);  // n = 1
    testing::WriteAll(t.dir.File("optim0.dat"), Le16(30000) + Le32(1.0f) + Le32(2.0f));
    EXPECT_EQ(FindWeakestDirection(t.files), 0);  // far too short for its order
    EXPECT_FALSE(std::filesystem::exists(t.dir.File("optim1.dat")));
}

// The weakest direction of a real network against the power method in 8-byte floats on the
// same matrix s0 Q. The second stage rates every observation, the planned one included: g
// against the trace of Q inverted again with the planned distance observed, h from the
// distance's direction and the weakest direction, and h kept as the residual.
TEST(ThirdClassAnalysis, WeakestDirectionAndRatingsAgreeWithSecondFormulations) {
    ThirdClass t;
    const int o = PlannedTriangulation(t.net, t.b);
    ASSERT_EQ(t.Stage1(), ResultDesignStage);
    ASSERT_EQ(RunDesignSecondStage(t.net, t.b.ui(), 1, t.files), ResultDone);
    EXPECT_EQ(t.b.ui().closes, 1);
    float s0 = 0.0f;
    const Dense q = ReadMatrixFile(t.dir.File("optim0.dat"), s0);
    const size_t n = q.rows;
    ASSERT_EQ(n, 6u);
    std::vector<double> x(n, 1.0), y(n);
    double mu = 0.0;
    for (int it = 0; it < 5000; ++it) {
        double norm = 0.0;
        for (size_t i = 0; i < n; ++i) {
            y[i] = 0.0;
            for (size_t j = 0; j < n; ++j) y[i] += double(s0) * q(i, j) * x[j];
            norm += y[i] * y[i];
        }
        norm = std::sqrt(norm);
        mu = 0.0;
        for (size_t i = 0; i < n; ++i) mu += x[i] * y[i], x[i] = y[i] / norm;
    }
    std::vector<float> e;
    ASSERT_EQ(ReadWeakestDirection(e, int(n), t.files), 1);
    EXPECT_NEAR(e[n + 1], mu / s0, 1e-5 * mu / s0);
    double dot = 0.0;
    for (size_t i = 0; i < n; ++i) dot += x[i] * e[i + 1];
    EXPECT_NEAR(std::fabs(dot), 1.0, 1e-5);

    const std::string ratings = t.Bytes("optim2.dat");
    ASSERT_EQ(ratings.size() % 10, 0u);
    std::vector<int> order;
    float g = 0.0f, h = 0.0f;
    for (size_t at = 0; at < ratings.size(); at += 10) {
        const int obs = uint8_t(ratings[at]) | (uint8_t(ratings[at + 1]) << 8);
        float gi, hi;
        std::memcpy(&gi, ratings.data() + at + 2, 4);
        std::memcpy(&hi, ratings.data() + at + 6, 4);
        EXPECT_EQ(t.net.Obs(obs).residual, hi) << obs;
        order.push_back(obs);
        if (obs == o) g = gi, h = hi;
    }
    // Point order, then each station's list: the planned distance is the last of A's chain.
    std::vector<int> expected;
    for (int i = 1; i <= t.net.hdr.pointCount; ++i)
        for (int r = t.net.Point(i).firstObs; r != 0; r = t.net.Obs(r).next) expected.push_back(r);
    EXPECT_EQ(order, expected);

    Network observed = t.net;
    SetObsClass(observed.Obs(o), ClassOrdinary);
    ThirdClass again;
    again.net = observed;
    ASSERT_EQ(again.Stage1(), ResultDesignStage);
    float s0Again = 0.0f;
    const double decrease = Trace(q) - Trace(ReadMatrixFile(again.dir.File("optim0.dat"), s0Again));
    EXPECT_NEAR(g, s0 * std::sqrt(decrease), 1e-3 * g);

    // Distance A -> Q: the row holds (dX, dY) / S at A's unknowns... A is fixed, so only Q's
    // unknowns (3 and 4) carry -(dX, dY) / S.
    const double dx = 900.0, dy = 900.0, s = std::hypot(dx, dy);
    const double ae = -(dx * e[3] + dy * e[4]) / s;
    const double p = WeightOf(t.net, o);
    EXPECT_NEAR(h, std::fabs(std::sqrt(p * 0.5) * ae) * e[q.rows + 1] * s0, 1e-5 * h);
}

TEST(ThirdClassAnalysis, SingleUnknownEndsAfterTheFirstStageWithoutMessage) {
    const std::filesystem::path before = std::filesystem::current_path();
    testing::TempDir dir;
    std::filesystem::current_path(dir.File(""));
    Network net;
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    net.hdr.designMode = 1;
    b.Obs(b.Point("A", 0, 0, 10.0, 0, PointKnown), b.Point("B", 0, 0, 12.0), KindLevelled, 2.0);
    ReportBuffers reports;
    EXPECT_EQ(AdjustNetwork(net, b.ui(), reports, 1, 1), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("optim0.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("optim1.dat")));
    std::filesystem::current_path(before);
    EXPECT_EQ(b.ui().Texts(), (testing::Strings{"所有待定点坐标将被清零! 开始吗?"}));
    EXPECT_EQ(b.ui().closes, 1);
}

TEST(ThirdClassAnalysis, SecondStageWithoutItsFiles) {
    ThirdClass t;
    PlannedTriangulation(t.net, t.b);
    // No matrix: -1, shown by nobody.
    EXPECT_EQ(RunAdjustment(t.net, t.b.ui(), MethodDesignContinue, 0, 1, SolverKind::Sparse, &t.files), ResultNoMemory);
    // A matrix but no weakest direction: precision records, no ratings and no cofactors.
    ASSERT_EQ(t.Stage1(), ResultDesignStage);
    EXPECT_EQ(RunAdjustment(t.net, t.b.ui(), MethodDesignContinue, 0, 1, SolverKind::Sparse, &t.files), ResultDone);
    EXPECT_GT(t.net.ellipses[0].a, 0.0f);
    EXPECT_EQ(CofactorOf(t.net, 1), 0.0f);
    EXPECT_FALSE(std::filesystem::exists(t.dir.File("optim2.dat")));
    // The step between the stages failed: code 96 only closes the progress window.
    const int closes = t.b.ui().closes;
    EXPECT_EQ(RunAdjustment(t.net, t.b.ui(), MethodDesignStepFailed, 0, 1, SolverKind::Sparse, &t.files), ResultDesignFailed);
    EXPECT_EQ(t.b.ui().closes, closes + 1);
}

}  // namespace
}  // namespace quenvar
