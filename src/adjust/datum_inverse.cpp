#include "adjust/datum_inverse.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "adjust/datum_constraints.h"

namespace quenvar {
namespace {

// Largest componentwise backward error accepted for the solutions of K X = U.
constexpr double LargestBackwardError = 1e-9;

// Positions (in DatumVectors::unknowns) of the unknowns to pin: in the height network the
// first datum point; in the plane network X and Y of the datum point farthest from the
// centroid and of the datum point farthest from that one. Two far-apart pins fix rotation and
// scale well and keep the variances of M, and with them the low-rank system, moderate.
std::vector<size_t> PinnedRows(const Network& net, const DatumVectors& datum) {
    if (!PlaneNetwork(net)) return {0};
    const std::vector<int>& pts = datum.points;
    auto farthestFrom = [&net, &pts](double x, double y) {
        size_t best = 0;
        double reach = -1.0;
        for (size_t a = 0; a < pts.size(); ++a) {
            const double d = std::hypot(net.Point(pts[a]).x - x, net.Point(pts[a]).y - y);
            if (d > reach) reach = d, best = a;
        }
        return best;
    };
    double mx = 0.0, my = 0.0;
    for (const int p : pts) mx += net.Point(p).x / double(pts.size()), my += net.Point(p).y / double(pts.size());
    const size_t first = farthestFrom(mx, my);
    const size_t second = farthestFrom(net.Point(pts[first]).x, net.Point(pts[first]).y);
    if (second == first) return {2 * first, 2 * first + 1};
    return {2 * first, 2 * first + 1, 2 * second, 2 * second + 1};
}

// Inverts the small symmetric, possibly indefinite matrix c (m x m by rows) in place by
// Gauss-Jordan elimination with partial pivoting; false when a pivot vanishes.
bool InvertSmall(std::vector<double>& c, size_t m) {
    std::vector<double> inv(m * m, 0.0);
    for (size_t i = 0; i < m; ++i) inv[i * m + i] = 1.0;
    for (size_t col = 0; col < m; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < m; ++r)
            if (std::fabs(c[r * m + col]) > std::fabs(c[pivot * m + col])) pivot = r;
        const double d = c[pivot * m + col];
        if (d == 0.0 || !std::isfinite(d)) return false;
        for (size_t j = 0; j < m; ++j) std::swap(c[col * m + j], c[pivot * m + j]), std::swap(inv[col * m + j], inv[pivot * m + j]);
        for (size_t j = 0; j < m; ++j) c[col * m + j] /= d, inv[col * m + j] /= d;
        for (size_t r = 0; r < m; ++r) {
            const double f = r == col ? 0.0 : c[r * m + col];
            if (f == 0.0) continue;
            for (size_t j = 0; j < m; ++j) c[r * m + j] -= f * c[col * m + j], inv[r * m + j] -= f * inv[col * m + j];
        }
    }
    c = inv;
    return true;
}

// Componentwise backward error max |K X - U| / (|N| |X| + |G| |G^T| |X| + |U|) of the
// solutions X (n x m by rows) of K X = U, K = N + G G^T with N in the matrix.
double BackwardError(int n, const NormalMatrix& matrix, const DatumVectors& datum, const std::vector<double>& x,
                     const std::vector<double>& u, size_t m) {
    const size_t rows = size_t(n), w = size_t(datum.columns);
    std::vector<double> kx(rows * m, 0.0), scale(rows * m, 0.0);
    for (size_t i = 0; i < rows; ++i) {
        const double* row = matrix.Row(int(i) + 1);
        for (size_t j = 0; j <= i; ++j) {
            const double a = row[j];
            if (a == 0.0) continue;
            for (size_t k = 0; k < m; ++k) {
                kx[i * m + k] += a * x[j * m + k];
                scale[i * m + k] += std::fabs(a * x[j * m + k]);
                if (j == i) continue;
                kx[j * m + k] += a * x[i * m + k];
                scale[j * m + k] += std::fabs(a * x[i * m + k]);
            }
        }
    }
    std::vector<double> gx(w * m, 0.0), gxAbs(w * m, 0.0);  // G^T X and |G^T| |X|
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        for (size_t k = 0; k < w; ++k)
            for (size_t l = 0; l < m; ++l) {
                const double t = datum.values[a * w + k] * x[size_t(datum.unknowns[a] - 1) * m + l];
                gx[k * m + l] += t;
                gxAbs[k * m + l] += std::fabs(t);
            }
    for (size_t a = 0; a < datum.unknowns.size(); ++a) {
        const size_t i = size_t(datum.unknowns[a] - 1);
        for (size_t k = 0; k < w; ++k)
            for (size_t l = 0; l < m; ++l) {
                kx[i * m + l] += datum.values[a * w + k] * gx[k * m + l];
                scale[i * m + l] += std::fabs(datum.values[a * w + k]) * gxAbs[k * m + l];
            }
    }
    double worst = 0.0;
    for (size_t e = 0; e < rows * m; ++e) {
        const double r = std::fabs(kx[e] - u[e]), t = scale[e] + std::fabs(u[e]);
        if (r > 0.0) worst = std::max(worst, t > 0.0 ? r / t : HUGE_VAL);
    }
    return worst;
}

// The sparse route with the datum terms already taken out of the matrix: pins, factors,
// solves the low-rank system and writes the inverse. False, with the matrix as it came, when
// any step fails; throws std::bad_alloc only before the inverse is written.
bool InvertThroughPins(int n, NormalMatrix& matrix, const DatumVectors& datum, const std::vector<size_t>& pins) {
    const size_t w = size_t(datum.columns), m = w + pins.size(), rows = size_t(n);
    std::vector<double> u(rows * m, 0.0), v(rows), c(m * m, 0.0), diagonal(pins.size());
    ProfileFactor factor;
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        std::copy_n(&datum.values[a * w], w, &u[size_t(datum.unknowns[a] - 1) * m]);
    for (size_t k = 0; k < pins.size(); ++k) {
        const int unknown = datum.unknowns[pins[k]];
        double& d = matrix.At(unknown, unknown);
        diagonal[k] = d;
        // A pin as strong as the unknown's own observations keeps M well balanced.
        const double weight = d > 0.0 ? d : 1.0;
        u[size_t(unknown - 1) * m + w + k] = std::sqrt(weight);
        d += weight;
    }
    const int factored = factor.Factor(n, matrix, SparseProfileLimit(n));
    for (size_t k = 0; k < pins.size(); ++k) matrix.At(datum.unknowns[pins[k]], datum.unknowns[pins[k]]) = diagonal[k];
    if (factored != 1) return false;
    std::vector<double> mu(u);  // M^-1 U
    for (size_t k = 0; k < m; ++k) {
        for (size_t i = 0; i < rows; ++i) v[i] = mu[i * m + k];
        factor.Solve(v.data());
        for (size_t i = 0; i < rows; ++i) mu[i * m + k] = v[i];
    }
    // C = S^-1 + U^T M^-1 U, made exactly symmetric.
    for (size_t i = 0; i < rows; ++i)
        for (size_t k = 0; k < m; ++k)
            for (size_t l = 0; l < m; ++l) c[k * m + l] += u[i * m + k] * mu[i * m + l];
    for (size_t k = 0; k < m; ++k) {
        c[k * m + k] += k < w ? 1.0 : -1.0;
        for (size_t l = 0; l < k; ++l) c[k * m + l] = c[l * m + k] = 0.5 * (c[k * m + l] + c[l * m + k]);
    }
    if (!InvertSmall(c, m)) return false;
    // (M + U S U^T)^-1 = M^-1 - (M^-1 U) C^-1 (M^-1 U)^T, and (M + U S U^T)^-1 U = M^-1 U C^-1 S.
    std::vector<double> vc(rows * m), x(rows * m);  // M^-1 U C^-1 and K^-1 U, by rows
    for (size_t i = 0; i < rows; ++i)
        for (size_t k = 0; k < m; ++k) {
            double s = 0.0;
            for (size_t l = 0; l < m; ++l) s += mu[i * m + l] * c[l * m + k];
            vc[i * m + k] = s;
            x[i * m + k] = k < w ? s : -s;
        }
    // An ill-conditioned low-rank system shows in the solutions it gives.
    if (!(BackwardError(n, matrix, datum, x, u, m) <= LargestBackwardError)) return false;
    if (factor.WriteInverse(matrix) != 1) return false;
    for (int i = 1; i <= n; ++i) {
        double* row = matrix.Row(i);
        const double* a = &vc[size_t(i - 1) * m];
        for (int j = 1; j <= i; ++j) {
            const double* b = &mu[size_t(j - 1) * m];
            double s = 0.0;
            for (size_t k = 0; k < m; ++k) s += a[k] * b[k];
            row[j - 1] -= s;
        }
    }
    return true;
}

}  // namespace

int InvertFreeNetworkSparse(const Network& net, int n, NormalMatrix& matrix, const UnknownMap& map) {
    if (n < SmallestProfileOrder) return 0;
    DatumVectors datum;
    std::vector<size_t> pins;
    try {
        if (!FindDatumVectors(net, map, datum) || datum.columns == 0) return 0;
        pins = PinnedRows(net, datum);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    AddDatumTerms(datum, matrix, -1.0);
    bool done = false;
    try {
        done = InvertThroughPins(n, matrix, datum, pins);
    } catch (const std::bad_alloc&) {
        done = false;
    }
    if (done) return 1;
    AddDatumTerms(datum, matrix, +1.0);
    return 0;
}

int InvertWithDatum(const Network& net, int n, NormalMatrix& matrix, const UnknownMap& map, NormalInverter invert) {
    if (invert == InvertNormalMatrix && InvertFreeNetworkSparse(net, n, matrix, map) == 1) return 1;
    return invert(n, matrix);
}

}  // namespace quenvar
