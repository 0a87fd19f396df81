// Small dense matrices for reference computations in the adjustment tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quenvar::testing {

struct Dense {
    size_t rows = 0, cols = 0;
    std::vector<double> v;

    Dense() = default;
    Dense(size_t r, size_t c) : rows(r), cols(c), v(r * c, 0.0) {}
    double& operator()(size_t i, size_t j) { return v[i * cols + j]; }
    double operator()(size_t i, size_t j) const { return v[i * cols + j]; }
};

inline Dense Multiply(const Dense& a, const Dense& b) {
    Dense c(a.rows, b.cols);
    for (size_t i = 0; i < a.rows; ++i)
        for (size_t k = 0; k < a.cols; ++k)
            for (size_t j = 0; j < b.cols; ++j) c(i, j) += a(i, k) * b(k, j);
    return c;
}

inline Dense Transpose(const Dense& a) {
    Dense t(a.cols, a.rows);
    for (size_t i = 0; i < a.rows; ++i)
        for (size_t j = 0; j < a.cols; ++j) t(j, i) = a(i, j);
    return t;
}

// Gauss-Jordan inversion with partial pivoting.
inline Dense Inverse(Dense a) {
    const size_t n = a.rows;
    Dense inv(n, n);
    for (size_t i = 0; i < n; ++i) inv(i, i) = 1.0;
    for (size_t c = 0; c < n; ++c) {
        size_t pivot = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a(r, c)) > std::fabs(a(pivot, c))) pivot = r;
        if (a(pivot, c) == 0.0) throw std::runtime_error("singular");
        for (size_t j = 0; j < n; ++j) {
            std::swap(a(c, j), a(pivot, j));
            std::swap(inv(c, j), inv(pivot, j));
        }
        const double d = a(c, c);
        for (size_t j = 0; j < n; ++j) {
            a(c, j) /= d;
            inv(c, j) /= d;
        }
        for (size_t r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = a(r, c);
            if (f == 0.0) continue;
            for (size_t j = 0; j < n; ++j) {
                a(r, j) -= f * a(c, j);
                inv(r, j) -= f * inv(c, j);
            }
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
