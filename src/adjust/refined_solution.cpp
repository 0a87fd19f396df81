#include "adjust/refined_solution.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace quenvar {
namespace {

// The solution counts as exact once the next correction would lie below this part of its
// largest element: some thirty bits below the last place of a double.
constexpr double Tolerance = 0x1p-84;
// Refinement that shrinks the corrections less than this per step has reached the accuracy of
// the residuals.
constexpr double SlowestContraction = 0.5;
constexpr int MostSteps = 8;
// Translations, rotation and scale.
constexpr size_t MaxDatumColumns = 4;

// s + e = a + b exactly, s the rounded sum.
inline void TwoSum(double a, double b, double& s, double& e) {
    s = a + b;
    const double z = s - a;
    e = (a - (s - z)) + (b - z);
}

// A sum in twice the working precision: the rounded running sum and the sum of its rounding
// errors, so that s + c carries about twice the digits of s.
struct Accumulator {
    double s = 0.0, c = 0.0;

    [[gnu::always_inline]] void Add(double a) {
        double e;
        TwoSum(s, a, s, e);
        c += e;
    }

    // Adds a (hi + lo): the product a hi exactly (its rounding error by a fused multiply-add),
    // a lo, far smaller, in working precision.
    [[gnu::always_inline]] void AddProduct(double a, double hi, double lo) {
        const double p = a * hi;
        const double e = std::fma(a, hi, -p);
        Add(p);
        c += e + a * lo;
    }

    double Value() const { return s + c; }
};

// The solution y as hi + lo, |lo| at most half a unit in the last place of hi.
struct TwofoldVector {
    std::vector<double> hi, lo;

    // y(i) := y(i) + d exactly, renormalised.
    void Add(size_t i, double d) {
        double s, e;
        TwoSum(hi[i], d, s, e);
        e += lo[i];
        hi[i] = s + e;
        lo[i] = e - (hi[i] - s);
    }
};

// sums := sums - N y over the lower triangle's columns.
[[gnu::always_inline]] inline void SubtractProduct(const LowerColumns& a, const TwofoldVector& y, Accumulator* sums) {
    for (int j = 0; j < a.n; ++j) {
        const double yh = y.hi[size_t(j)], yl = y.lo[size_t(j)];
        for (int p = a.start[j]; p < a.start[j + 1]; ++p) {
            const int i = a.rows[p];
            const double v = a.values[p];
            sums[i].AddProduct(-v, yh, yl);
            if (i != j) sums[j].AddProduct(-v, y.hi[size_t(i)], y.lo[size_t(i)]);
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same where the processor has the fused multiply-add instruction: the library call taken
// for each product otherwise costs more than the rest of the loop. Both give the same sums.
__attribute__((target("fma"))) void SubtractProductFused(const LowerColumns& a, const TwofoldVector& y,
                                                         Accumulator* sums) {
    SubtractProduct(a, y, sums);
}
const bool FusedMultiplyAdd = __builtin_cpu_supports("fma");
#endif

// r := b - K y in twice the working precision, rounded; K = N + G_S G_S^T.
void Residual(const LowerColumns& a, const double* b, const DatumVectors& datum, const TwofoldVector& y,
              std::vector<Accumulator>& sums, std::vector<double>& r) {
    const size_t n = size_t(a.n);
    for (size_t i = 0; i < n; ++i) sums[i] = Accumulator{b[i], 0.0};
#if defined(__x86_64__) && defined(__GNUC__)
    if (FusedMultiplyAdd) {
        SubtractProductFused(a, y, sums.data());
    } else {
        SubtractProduct(a, y, sums.data());
    }
#else
    SubtractProduct(a, y, sums.data());
#endif
    // G_S (G_S^T y).
    const size_t w = size_t(datum.columns);
    Accumulator t[MaxDatumColumns];
    for (size_t row = 0; row < datum.unknowns.size(); ++row) {
        const size_t u = size_t(datum.unknowns[row] - 1);
        for (size_t k = 0; k < w; ++k) t[k].AddProduct(datum.values[row * w + k], y.hi[u], y.lo[u]);
    }
    for (size_t row = 0; row < datum.unknowns.size(); ++row) {
        Accumulator& sum = sums[size_t(datum.unknowns[row] - 1)];
        for (size_t k = 0; k < w; ++k) sum.AddProduct(-datum.values[row * w + k], t[k].s, t[k].c);
    }
    for (size_t i = 0; i < n; ++i) r[i] = sums[i].Value();
}

double Largest(const std::vector<double>& v) {
    double m = 0.0;
    for (const double e : v) m = std::max(m, std::fabs(e));
    return m;
}

}  // namespace

void ExactResidual(const LowerColumns& normal, const DatumVectors& datum, const double* b, const double* y, double* r) {
    const size_t n = size_t(normal.n);
    TwofoldVector twofold;
    twofold.hi.assign(y, y + n);
    twofold.lo.assign(n, 0.0);
    std::vector<Accumulator> sums(n);
    std::vector<double> result(n);
    Residual(normal, b, datum, twofold, sums, result);
    std::copy(result.begin(), result.end(), r);
}

double RefinedCorrections(const LowerColumns& normal, const double* b, const DatumVectors& datum,
                          const DatumVectors& extended, const ApproximateSolve& solve, std::vector<double>& x,
                          RefinementSteps* steps) {
    const size_t n = size_t(normal.n);
    TwofoldVector y;
    std::vector<double> r;
    std::vector<Accumulator> sums;
    // Without the work space for the refinement the starting solution stands.
    bool refine = true;
    try {
        y.hi.assign(b, b + n);
        y.lo.assign(n, 0.0);
        r.resize(n);
        sums.resize(n);
    } catch (const std::bad_alloc&) {
        refine = false;
    }
    std::copy_n(b, n, x.begin());
    solve(x.data());
    RefinementSteps done;
    double previous = 0.0;
    if (refine) std::copy_n(x.begin(), n, y.hi.begin());
    while (refine && done.steps < MostSteps) {
        Residual(normal, b, datum, y, sums, r);
        solve(r.data());
        const double step = Largest(r), size = Largest(y.hi);
        if (!std::isfinite(step)) break;
        for (size_t i = 0; i < n; ++i) y.Add(i, r[i]);
        ++done.steps;
        done.lastStep = size > 0.0 ? step / size : 0.0;
        if (step <= Tolerance * size) break;
        // The next correction is expected to shrink by the same ratio as this one did.
        if (previous > 0.0 && (step > SlowestContraction * previous || step / previous * step <= Tolerance * size))
            break;
        previous = step;
    }
    if (steps) *steps = done;
    // x = -(y - G (G^T b)), the datum part in twice the working precision as well.
    const size_t w = size_t(extended.columns);
    Accumulator t[MaxDatumColumns];
    for (size_t row = 0; row < extended.unknowns.size(); ++row)
        for (size_t k = 0; k < w; ++k)
            t[k].AddProduct(extended.values[row * w + k], b[size_t(extended.unknowns[row] - 1)], 0.0);
    if (refine)
        for (size_t i = 0; i < n; ++i) x[i] = y.hi[i];
    for (size_t row = 0; row < extended.unknowns.size(); ++row) {
        const size_t u = size_t(extended.unknowns[row] - 1);
        Accumulator z{x[u], refine ? y.lo[u] : 0.0};
        for (size_t k = 0; k < w; ++k) z.AddProduct(-extended.values[row * w + k], t[k].s, t[k].c);
        x[u] = z.Value();
    }
    double bx = 0.0;
    for (size_t i = 0; i < n; ++i) {
        x[i] = -x[i];
        bx += b[i] * x[i];
    }
    return bx;
}

}  // namespace quenvar
