// Small dense matrices for reference computations in the adjustment tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace quenvar::testing {

struct Dense {
    size_t rows = 0, cols = 0;
    std::vector<double> v;

    Dense(size_t r, size_t c) : rows(r), cols(c), v(r * c, 0.0) {}
    double& operator()(size_t i, size_t j) { return v[i * cols + j]; }
    double operator()(size_t i, size_t j) const { return v[i * cols + j]; }
};

// a^T b when transposeA is set, else a b.
inline Dense Multiply(const Dense& a, const Dense& b, bool transposeA = false) {
    const size_t n = transposeA ? a.cols : a.rows, inner = transposeA ? a.rows : a.cols;
    Dense c(n, b.cols);
    for (size_t i = 0; i < n; ++i)
        for (size_t k = 0; k < inner; ++k)
            for (size_t j = 0; j < b.cols; ++j) c(i, j) += (transposeA ? a(k, i) : a(i, k)) * b(k, j);
    return c;
}

// Gauss-Jordan inversion with partial pivoting of a regular matrix.
inline Dense Inverse(Dense a) {
    const size_t n = a.rows;
    Dense inv(n, n);
    for (size_t i = 0; i < n; ++i) inv(i, i) = 1.0;
    for (size_t c = 0; c < n; ++c) {
        size_t pivot = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a(r, c)) > std::fabs(a(pivot, c))) pivot = r;
        for (size_t j = 0; j < n; ++j) std::swap(a(c, j), a(pivot, j)), std::swap(inv(c, j), inv(pivot, j));
        const double d = a(c, c);
        for (size_t j = 0; j < n; ++j) a(c, j) /= d, inv(c, j) /= d;
        for (size_t r = 0; r < n; ++r) {
            const double f = r == c ? 0.0 : a(r, c);
            for (size_t j = 0; f != 0.0 && j < n; ++j) a(r, j) -= f * a(c, j), inv(r, j) -= f * inv(c, j);
        }
    }
    return inv;
}

// A deterministic pseudo-random sequence in [-1, 1].
class Noise {
public:
    explicit Noise(unsigned seed) : state_(seed) {}
    double Next() {
        state_ = state_ * 1103515245u + 12345u;
        return double((state_ >> 8) & 0xFFFF) / 32767.5 - 1.0;
    }

private:
    unsigned state_;
};

}  // namespace quenvar::testing
