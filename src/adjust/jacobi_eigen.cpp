#include "adjust/jacobi_eigen.h"

#include <cmath>
#include <new>

namespace quenvar {
namespace {

// One plane rotation of the pair of elements x and y (sin s, tau = s / (1 + cos)).
void Rotate(float& x, float& y, float s, float tau) {
    const float g = x, h = y;
    x = g - s * (h + g * tau);
    y = h + s * (g - h * tau);
}

}  // namespace

bool FloatMatrix::Allocate(int n) {
    try {
        v_.assign(size_t(n) * size_t(n), 0.0f);
        n_ = n;
        return true;
    } catch (const std::bad_alloc&) {
        v_.clear();
        n_ = 0;
        return false;
    }
}

int JacobiEigen(FloatMatrix& a, FloatMatrix& v, std::vector<float>& d) {
    const int n = a.Order();
    std::vector<float> b(size_t(n) + 1), z(size_t(n) + 1, 0.0f);
    for (int p = 1; p <= n; ++p) {
        for (int q = 1; q <= n; ++q) v(p, q) = p == q ? 1.0f : 0.0f;
        b[size_t(p)] = d[size_t(p)] = a(p, p);
    }
    int rotations = 0;
    for (int sweep = 1; sweep <= JacobiMostSweeps; ++sweep) {
        float sum = 0.0f;
        for (int p = 1; p < n; ++p)
            for (int q = p + 1; q <= n; ++q) sum += std::fabs(a(p, q));
        if (sum == 0.0f) break;
        const float threshold = sweep < 4 ? 0.2f * sum / float(n * n) : 0.0f;
        for (int p = 1; p < n; ++p) {
            for (int q = p + 1; q <= n; ++q) {
                float& apq = a(p, q);
                const float g = 100.0f * std::fabs(apq);
                const float dp = std::fabs(d[size_t(p)]), dq = std::fabs(d[size_t(q)]);
                if (sweep > 4 && dp + g == dp && dq + g == dq) {
                    apq = 0.0f;
                    continue;
                }
                if (!(std::fabs(apq) > threshold)) continue;
                float h = d[size_t(q)] - d[size_t(p)];
                float t;
                if (std::fabs(h) + g == std::fabs(h)) {
                    t = apq / h;
                } else {
                    const float theta = 0.5f * h / apq;
                    t = 1.0f / (std::fabs(theta) + std::sqrt(1.0f + theta * theta));
                    if (theta < 0.0f) t = -t;
                }
                const float c = 1.0f / std::sqrt(1.0f + t * t);
                const float s = t * c;
                const float tau = s / (1.0f + c);
                h = t * apq;
                z[size_t(p)] -= h;
                z[size_t(q)] += h;
                d[size_t(p)] -= h;
                d[size_t(q)] += h;
                apq = 0.0f;
                // Only the upper triangle is kept up to date.
                for (int j = 1; j < p; ++j) Rotate(a(j, p), a(j, q), s, tau);
                for (int j = p + 1; j < q; ++j) Rotate(a(p, j), a(j, q), s, tau);
                for (int j = q + 1; j <= n; ++j) Rotate(a(p, j), a(q, j), s, tau);
                // The eigenvectors are the rows of v, so this pass runs along two rows.
                for (int j = 1; j <= n; ++j) Rotate(v(p, j), v(q, j), s, tau);
                ++rotations;
            }
        }
        for (int p = 1; p <= n; ++p) {
            b[size_t(p)] += z[size_t(p)];
            d[size_t(p)] = b[size_t(p)];
            z[size_t(p)] = 0.0f;
        }
    }
    return rotations;
}

}  // namespace quenvar
