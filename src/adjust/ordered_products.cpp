#include "adjust/ordered_products.h"

#include "adjust/block_products.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace quenvar {

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// Every sum starts from zero and adds its products one by one, each product rounded before it
// is added: the vector instructions only take neighbouring rows together. This file is
// compiled without contraction into fused multiply-adds, and the 256-bit target does not
// offer them either.
#define QUENVAR_WIDE __attribute__((target("avx2")))

// Stores a finished sum: c = s, or c = c + s.
QUENVAR_WIDE inline void Put(double* c, __m256d s, bool accumulate) {
    _mm256_storeu_pd(c, accumulate ? _mm256_add_pd(_mm256_loadu_pd(c), s) : s);
}

inline void Put(double* c, double s, bool accumulate) { *c = accumulate ? *c + s : s; }

// Rows i .. i + 7 of columns j .. j + 3.
QUENVAR_WIDE void EightByFour(int i, int j, int depth, const double* a, long lda, const double* b, long bj, long bq,
                              double* c, long ldc, bool accumulate) {
    __m256d s[2][4];
    for (auto& half : s)
        for (__m256d& e : half) e = _mm256_setzero_pd();
    for (int q = 0; q < depth; ++q) {
        const double* aq = a + i + q * lda;
        const __m256d a0 = _mm256_loadu_pd(aq), a1 = _mm256_loadu_pd(aq + 4);
        const double* bq0 = b + j * bj + q * bq;
        for (int k = 0; k < 4; ++k) {
            const __m256d y = _mm256_broadcast_sd(bq0 + k * bj);
            s[0][k] = _mm256_add_pd(s[0][k], _mm256_mul_pd(a0, y));
            s[1][k] = _mm256_add_pd(s[1][k], _mm256_mul_pd(a1, y));
        }
    }
    for (int k = 0; k < 4; ++k) {
        Put(c + i + (j + k) * ldc, s[0][k], accumulate);
        Put(c + i + 4 + (j + k) * ldc, s[1][k], accumulate);
    }
}

// Rows i .. i + 3 of `width` (1 to 4) columns from j.
QUENVAR_WIDE void FourBy(int width, int i, int j, int depth, const double* a, long lda, const double* b, long bj,
                         long bq, double* c, long ldc, bool accumulate) {
    __m256d s[4];
    for (__m256d& e : s) e = _mm256_setzero_pd();
    for (int q = 0; q < depth; ++q) {
        const __m256d a0 = _mm256_loadu_pd(a + i + q * lda);
        const double* bq0 = b + j * bj + q * bq;
        for (int k = 0; k < width; ++k) s[k] = _mm256_add_pd(s[k], _mm256_mul_pd(a0, _mm256_broadcast_sd(bq0 + k * bj)));
    }
    for (int k = 0; k < width; ++k) Put(c + i + (j + k) * ldc, s[k], accumulate);
}

// Element (i, j) alone.
QUENVAR_WIDE void One(int i, int j, int depth, const double* a, long lda, const double* b, long bj, long bq, double* c,
                      long ldc, bool accumulate) {
    double s = 0.0;
    for (int q = 0; q < depth; ++q) s += a[i + q * lda] * b[j * bj + q * bq];
    Put(c + i + j * ldc, s, accumulate);
}

QUENVAR_WIDE void Products(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                           double* c, long ldc, bool accumulate, bool lower) {
    for (int j = 0; j < cols; j += 4) {
        const int width = cols - j < 4 ? cols - j : 4;
        int i = lower ? j : 0;
        if (width == 4)
            for (; i + 8 <= rows; i += 8) EightByFour(i, j, depth, a, lda, b, bj, bq, c, ldc, accumulate);
        for (; i + 4 <= rows; i += 4) FourBy(width, i, j, depth, a, lda, b, bj, bq, c, ldc, accumulate);
        for (; i < rows; ++i)
            for (int k = 0; k < width; ++k) One(i, j + k, depth, a, lda, b, bj, bq, c, ldc, accumulate);
    }
}

bool HasWideVectors() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

}  // namespace
#endif

void OrderedBlockProducts(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                          double* c, long ldc, bool accumulate, bool lower) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasWideVectors()) {
        Products(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
        return;
    }
#endif
    BlockProducts(rows, cols, depth, a, 1, lda, b, bj, bq, c, ldc, accumulate, lower);
}

}  // namespace quenvar
