// Refined corrections depend on the equations only: a sloppy solver and a good one give the
// same bits, and a solution that a double can hold comes out exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "adjust/refined_solution.h"
#include "tests/adjust/dense_algebra.h"

namespace quenvar {
namespace {

using testing::Dense;

// The normal equations of a levelling line of n unknown points, each joined to the next with
// the given weights; `ends` adds the ties to fixed points at both ends.
struct LevellingLine {
    int n;
    Dense full;
    LowerColumnsCopy lower;

    LevellingLine(const std::vector<double>& weights, double ends) : n(int(weights.size()) + 1), full(size_t(n), size_t(n)) {
        for (size_t k = 0; k < weights.size(); ++k) {
            full(k, k) += weights[k], full(k + 1, k + 1) += weights[k];
            full(k, k + 1) -= weights[k], full(k + 1, k) -= weights[k];
        }
        full(0, 0) += ends, full(size_t(n) - 1, size_t(n) - 1) += ends;
        for (int j = 0; j < n; ++j) {
            lower.start.push_back(int(lower.rows.size()));
            for (int i = j; i < n && i <= j + 1; ++i) lower.rows.push_back(i), lower.values.push_back(full(size_t(i), size_t(j)));
        }
        lower.start.push_back(int(lower.rows.size()));
    }
};

// One datum vector over the given points of a line of n (height network: 1/sqrt(count)).
DatumVectors Datum(int n, int every) {
    DatumVectors g;
    g.defect = g.columns = 1;
    for (int u = 1; u <= n; u += every) g.unknowns.push_back(u);
    g.values.assign(g.unknowns.size(), 1.0 / std::sqrt(double(g.unknowns.size())));
    return g;
}

// Solves with the inverse of K = N + G_S G_S^T; `sloppiness` spoils each result by that part.
ApproximateSolve Solver(const LevellingLine& line, const DatumVectors& datum, double sloppiness) {
    Dense k = line.full;
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        for (size_t c = 0; c < datum.unknowns.size(); ++c)
            k(size_t(datum.unknowns[a] - 1), size_t(datum.unknowns[c] - 1)) += datum.Term(a, c);
    const Dense inverse = testing::Inverse(k);
    return [inverse, sloppiness](double* v) {
        const size_t n = inverse.rows;
        std::vector<double> r(v, v + n);
        for (size_t i = 0; i < n; ++i) {
            double s = 0.0;
            for (size_t j = 0; j < n; ++j) s += inverse(i, j) * r[j];
            v[i] = s * (1.0 + sloppiness * std::sin(double(i) + 1.0));
        }
    };
}

TEST(RefinedSolutionTest, ExactSolutionOfTheEquationsAsFormed) {
    // Whole weights and a solution in 128ths: b = N x holds exactly in doubles.
    const LevellingLine line({3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5}, 7);
    std::vector<double> exact(size_t(line.n)), b(size_t(line.n), 0.0);
    for (int i = 0; i < line.n; ++i) exact[size_t(i)] = (double((i * 37) % 23) - 11.5) / 64.0;
    for (int i = 0; i < line.n; ++i)
        for (int j = 0; j < line.n; ++j) b[size_t(i)] += line.full(size_t(i), size_t(j)) * exact[size_t(j)];
    const DatumVectors none;
    std::vector<double> x(size_t(line.n));
    RefinementSteps steps;
    const double bx = RefinedCorrections(line.lower.View(line.n), b.data(), none, none, Solver(line, none, 1e-5), x, &steps);
    double expected = 0.0;
    for (int i = 0; i < line.n; ++i) {
        EXPECT_EQ(x[size_t(i)], -exact[size_t(i)]) << i;
        expected -= b[size_t(i)] * exact[size_t(i)];
    }
    EXPECT_EQ(bx, expected);
    EXPECT_GE(steps.steps, 2);
    EXPECT_LE(steps.steps, 8);
}

TEST(RefinedSolutionTest, SloppyAndGoodSolversGiveTheSameBits) {
    std::vector<double> weights;
    testing::Noise noise(7);
    for (int k = 0; k < 59; ++k) weights.push_back(1.0 + 0.9 * noise.Next());
    const LevellingLine line(weights, 0.0);
    std::vector<double> b(size_t(line.n));
    double mean = 0.0;
    for (double& v : b) mean += (v = noise.Next()) / double(line.n);
    for (double& v : b) v -= mean;  // in the range of N, as a free network's right-hand side is
    // A free line (every point defines the datum) and one whose datum is every fourth point.
    for (const int every : {1, 4}) {
        const DatumVectors datum = Datum(line.n, every), extended = Datum(line.n, 1);
        DatumVectors spanning = extended;
        spanning.values.assign(extended.values.size(), datum.values[0]);  // G_S^T G = I
        std::vector<double> good(size_t(line.n)), sloppy(size_t(line.n));
        const LowerColumns n = line.lower.View(line.n);
        const double bxGood = RefinedCorrections(n, b.data(), datum, spanning, Solver(line, datum, 0.0), good);
        const double bxSloppy = RefinedCorrections(n, b.data(), datum, spanning, Solver(line, datum, 1e-4), sloppy);
        EXPECT_EQ(good, sloppy) << every;
        EXPECT_EQ(bxGood, bxSloppy) << every;
        // The datum points keep their mean, and N x = -b.
        double datumSum = 0.0;
        for (const int u : datum.unknowns) datumSum += good[size_t(u - 1)];
        EXPECT_NEAR(datumSum, 0.0, 1e-12) << every;
        for (int i = 0; i < line.n; ++i) {
            double s = 0.0;
            for (int j = 0; j < line.n; ++j) s += line.full(size_t(i), size_t(j)) * good[size_t(j)];
            EXPECT_NEAR(s, -b[size_t(i)], 1e-12) << every << " row " << i;
        }
    }
}

}  // namespace
}  // namespace quenvar
