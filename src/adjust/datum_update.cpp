#include "adjust/datum_update.h"

#include <algorithm>
#include <cmath>

#include "adjust/adjustment_tables.h"

namespace quenvar {
namespace {

// Largest componentwise backward error accepted for the solutions of K X = U.
constexpr double LargestBackwardError = 1e-9;

// Inverts the small symmetric, possibly indefinite matrix c (m x m by rows) in place by
// Gauss-Jordan elimination with partial pivoting; false when a pivot vanishes.
bool InvertSmall(std::vector<long double>& c, size_t m) {
    std::vector<long double> inv(m * m, 0.0L);
    for (size_t i = 0; i < m; ++i) inv[i * m + i] = 1.0;
    for (size_t col = 0; col < m; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < m; ++r)
            if (std::fabs(c[r * m + col]) > std::fabs(c[pivot * m + col])) pivot = r;
        const long double d = c[pivot * m + col];
        if (d == 0.0L || !std::isfinite(d)) return false;
        for (size_t j = 0; j < m; ++j) std::swap(c[col * m + j], c[pivot * m + j]), std::swap(inv[col * m + j], inv[pivot * m + j]);
        for (size_t j = 0; j < m; ++j) c[col * m + j] /= d, inv[col * m + j] /= d;
        for (size_t r = 0; r < m; ++r) {
            const long double f = r == col ? 0.0L : c[r * m + col];
            if (f == 0.0L) continue;
            for (size_t j = 0; j < m; ++j) c[r * m + j] -= f * c[col * m + j], inv[r * m + j] -= f * inv[col * m + j];
        }
    }
    c = inv;
    return true;
}

// Componentwise backward error max |K X - U| / (|N| |X| + |G| |G^T| |X| + |U|) of the
// solutions X (n x m by rows) of K X = U, K = N + G G^T.
double BackwardError(size_t n, const DatumVectors& datum, const std::vector<double>& x, const std::vector<double>& u,
                     size_t m, const DatumUpdate::Product& multiply) {
    const size_t w = size_t(datum.columns);
    std::vector<double> kx(n * m), scale(n * m), column(n), product(n), magnitude(n);
    for (size_t l = 0; l < m; ++l) {
        for (size_t i = 0; i < n; ++i) column[i] = x[i * m + l];
        multiply(column.data(), product.data(), magnitude.data());
        for (size_t i = 0; i < n; ++i) kx[i * m + l] = product[i], scale[i * m + l] = magnitude[i];
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
    for (size_t e = 0; e < n * m; ++e) {
        const double r = std::fabs(kx[e] - u[e]), t = scale[e] + std::fabs(u[e]);
        if (r > 0.0) worst = std::max(worst, t > 0.0 ? r / t : HUGE_VAL);
    }
    return worst;
}

}  // namespace

std::vector<int> DatumUpdate::PinnedUnknowns(const Network& net, const DatumVectors& datum) {
    if (datum.unknowns.empty()) return {};
    if (!PlaneNetwork(net)) return {datum.unknowns[0]};
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
    std::vector<int> pins = {datum.unknowns[2 * first], datum.unknowns[2 * first + 1]};
    if (second != first) pins.insert(pins.end(), {datum.unknowns[2 * second], datum.unknowns[2 * second + 1]});
    return pins;
}

double DatumUpdate::PinWeight(double d) {
    if (!(d > 0.0) || !std::isfinite(d)) return 1.0;
    int e = 0;
    std::frexp(d, &e);
    return std::ldexp(1.0, 2 * (e / 2));
}

bool DatumUpdate::Build(int n, const DatumVectors& datum, const std::vector<int>& pins,
                        const std::vector<double>& weights, const Solver& solve, const Product& multiply) {
    const size_t w = size_t(datum.columns), m = w + pins.size(), rows = size_t(n);
    m_ = m;
    std::vector<double> u(rows * m, 0.0);
    std::vector<long double> c(m * m, 0.0L);
    for (size_t a = 0; a < datum.unknowns.size(); ++a)
        std::copy_n(&datum.values[a * w], w, &u[size_t(datum.unknowns[a] - 1) * m]);
    for (size_t k = 0; k < pins.size(); ++k) u[size_t(pins[k] - 1) * m + w + k] = std::sqrt(weights[k]);
    mu_.assign(u.begin(), u.end());
    solve(mu_.data(), int(m));
    // C = S^-1 + U^T M^-1 U, made exactly symmetric.
    for (size_t k = 0; k < m; ++k)
        for (size_t l = 0; l < m; ++l) {
            long double sum = 0.0L;
            for (size_t i = 0; i < rows; ++i)
                if (u[i * m + k] != 0.0) sum += u[i * m + k] * mu_[i * m + l];
            c[k * m + l] = sum;
        }
    for (size_t k = 0; k < m; ++k) {
        c[k * m + k] += k < w ? 1.0L : -1.0L;
        for (size_t l = 0; l < k; ++l) c[k * m + l] = c[l * m + k] = 0.5L * (c[k * m + l] + c[l * m + k]);
    }
    if (!InvertSmall(c, m)) return false;
    // (M + U S U^T)^-1 U = M^-1 U C^-1 S.
    vc_.assign(rows * m, 0.0L);
    std::vector<double> x(rows * m);
    for (size_t i = 0; i < rows; ++i)
        for (size_t k = 0; k < m; ++k) {
            long double s = 0.0L;
            for (size_t l = 0; l < m; ++l) s += mu_[i * m + l] * c[l * m + k];
            vc_[i * m + k] = s;
            x[i * m + k] = double(k < w ? s : -s);
        }
    // An ill-conditioned low-rank system shows in the solutions it gives.
    return BackwardError(rows, datum, x, u, m, multiply) <= LargestBackwardError;
}

long double DatumUpdate::Correction(int i, int j) const {
    const long double* a = &vc_[size_t(i - 1) * m_];
    const long double* b = &mu_[size_t(j - 1) * m_];
    long double s = 0.0L;
    for (size_t k = 0; k < m_; ++k) s += a[k] * b[k];
    return s;
}

void DatumUpdate::Apply(const double* b, long double* y) const {
    const size_t rows = m_ == 0 ? 0 : mu_.size() / m_;
    std::vector<long double> t(m_, 0.0L);  // (M^-1 U)^T b
    for (size_t i = 0; i < rows; ++i)
        for (size_t k = 0; k < m_; ++k) t[k] += mu_[i * m_ + k] * b[i];
    for (size_t i = 0; i < rows; ++i) {
        long double s = 0.0L;
        for (size_t k = 0; k < m_; ++k) s += vc_[i * m_ + k] * t[k];
        y[i] -= s;
    }
}

}  // namespace quenvar
