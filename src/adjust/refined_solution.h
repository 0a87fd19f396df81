// The corrections of a pass as the solution of the normal equations exactly as they were
// formed, rounded once. A factorisation and an inversion each leave their own rounding in the
// solution, a few units in the last place, and X := X - x rounds an occasional coordinate
// differently by that. Iterative refinement removes it: the residual b - K y is taken in twice
// the working precision (y held as an unevaluated sum hi + lo), the storage's own solver gives
// the correction, and once the corrections fall far below the last place of y the sum is
// rounded. The result then depends on the equations only, whichever storage solved them.
#pragma once

#include <functional>
#include <vector>

#include "adjust/datum_constraints.h"

namespace quenvar {

// The lower triangle of the normal matrix N by columns, the diagonal included, counted from 0:
// the rows of column j are rows[start[j]] .. rows[start[j + 1] - 1], values alongside.
struct LowerColumns {
    int n = 0;
    const int* start = nullptr;
    const int* rows = nullptr;
    const double* values = nullptr;
};

// The same, owning its arrays: the nonzero elements of a matrix copied before it is inverted.
struct LowerColumnsCopy {
    std::vector<int> start, rows;
    std::vector<double> values;

    LowerColumns View(int n) const { return LowerColumns{n, start.data(), rows.data(), values.data()}; }
};

// How the refinement went, for the benchmarks and the tests.
struct RefinementSteps {
    int steps = 0;            // residuals taken and corrections applied
    double lastStep = 0.0;    // the last correction relative to the solution (largest elements)
};

// d := K^-1 d approximately, in place (n values).
using ApproximateSolve = std::function<void(double*)>;

// The corrections x = -(y - G G^T b), y the solution of K y = b with K = N + G_S G_S^T (the
// datum vectors over the datum points; none when a point is fixed) and G the datum vectors over
// every unknown point; b the right-hand side (n values). `solve` gives the starting solution
// and every correction. Returns b^T x, by which [pll] becomes [pvv].
double RefinedCorrections(const LowerColumns& normal, const double* b, const DatumVectors& datum,
                          const DatumVectors& extended, const ApproximateSolve& solve, std::vector<double>& x,
                          RefinementSteps* steps = nullptr);

// r := b - K y in twice the working precision, rounded; K as above, y, b and r n values each.
void ExactResidual(const LowerColumns& normal, const DatumVectors& datum, const double* b, const double* y, double* r);

}  // namespace quenvar
