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

// Sixteen, then four rows at a time, each kept in a register through all the columns.
QUENVAR_WIDE void ColumnUpdate(int length, double* x, int count, const double* t, const double* const* y) {
    int i = 0;
    for (; i + 16 <= length; i += 16) {
        __m256d s[4];
        for (int r = 0; r < 4; ++r) s[r] = _mm256_loadu_pd(x + i + 4 * r);
        for (int k = 0; k < count; ++k) {
            const __m256d tk = _mm256_broadcast_sd(t + k);
            const double* yk = y[k] + i;
            for (int r = 0; r < 4; ++r) s[r] = _mm256_sub_pd(s[r], _mm256_mul_pd(tk, _mm256_loadu_pd(yk + 4 * r)));
        }
        for (int r = 0; r < 4; ++r) _mm256_storeu_pd(x + i + 4 * r, s[r]);
    }
    for (; i + 4 <= length; i += 4) {
        __m256d s = _mm256_loadu_pd(x + i);
        for (int k = 0; k < count; ++k) s = _mm256_sub_pd(s, _mm256_mul_pd(_mm256_broadcast_sd(t + k), _mm256_loadu_pd(y[k] + i)));
        _mm256_storeu_pd(x + i, s);
    }
    for (; i < length; ++i) {
        double s = x[i];
        for (int k = 0; k < count; ++k) s -= t[k] * y[k][i];
        x[i] = s;
    }
}

// The same with the 128-bit vectors every x86-64 processor has.
void PutNarrow(double* c, __m128d s, bool accumulate) {
    _mm_storeu_pd(c, accumulate ? _mm_add_pd(_mm_loadu_pd(c), s) : s);
}

// Rows i .. i + 1 (and i + 2 .. i + 3 when `four`) of `width` (1 to 4) columns from j.
template <bool four>
void NarrowBlock(int width, int i, int j, int depth, const double* a, long lda, const double* b, long bj, long bq,
                 double* c, long ldc, bool accumulate) {
    __m128d s[2][4];
    for (auto& half : s)
        for (__m128d& e : half) e = _mm_setzero_pd();
    for (int q = 0; q < depth; ++q) {
        const double* aq = a + i + q * lda;
        const __m128d a0 = _mm_loadu_pd(aq), a1 = four ? _mm_loadu_pd(aq + 2) : a0;
        const double* bq0 = b + j * bj + q * bq;
        for (int k = 0; k < width; ++k) {
            const __m128d y = _mm_load1_pd(bq0 + k * bj);
            s[0][k] = _mm_add_pd(s[0][k], _mm_mul_pd(a0, y));
            if (four) s[1][k] = _mm_add_pd(s[1][k], _mm_mul_pd(a1, y));
        }
    }
    for (int k = 0; k < width; ++k) {
        PutNarrow(c + i + (j + k) * ldc, s[0][k], accumulate);
        if (four) PutNarrow(c + i + 2 + (j + k) * ldc, s[1][k], accumulate);
    }
}

void NarrowProductsOf(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                    double* c, long ldc, bool accumulate, bool lower) {
    for (int j = 0; j < cols; j += 4) {
        const int width = cols - j < 4 ? cols - j : 4;
        int i = lower ? j : 0;
        for (; i + 4 <= rows; i += 4) NarrowBlock<true>(width, i, j, depth, a, lda, b, bj, bq, c, ldc, accumulate);
        for (; i + 2 <= rows; i += 2) NarrowBlock<false>(width, i, j, depth, a, lda, b, bj, bq, c, ldc, accumulate);
        for (; i < rows; ++i)
            for (int k = 0; k < width; ++k) {
                double sum = 0.0;
                for (int q = 0; q < depth; ++q) sum += a[i + q * lda] * b[(j + k) * bj + q * bq];
                Put(c + i + (j + k) * ldc, sum, accumulate);
            }
    }
}

void NarrowUpdate(int length, double* x, int count, const double* t, const double* const* y) {
    int i = 0;
    for (; i + 8 <= length; i += 8) {
        __m128d s[4];
        for (int r = 0; r < 4; ++r) s[r] = _mm_loadu_pd(x + i + 2 * r);
        for (int k = 0; k < count; ++k) {
            const __m128d tk = _mm_load1_pd(t + k);
            const double* yk = y[k] + i;
            for (int r = 0; r < 4; ++r) s[r] = _mm_sub_pd(s[r], _mm_mul_pd(tk, _mm_loadu_pd(yk + 2 * r)));
        }
        for (int r = 0; r < 4; ++r) _mm_storeu_pd(x + i + 2 * r, s[r]);
    }
    for (; i < length; ++i) {
        double s = x[i];
        for (int k = 0; k < count; ++k) s -= t[k] * y[k][i];
        x[i] = s;
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
    NarrowBlockProducts(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
}

void OrderedColumnUpdate(int length, double* x, int count, const double* t, const double* const* y) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasWideVectors()) {
        ColumnUpdate(length, x, count, t, y);
        return;
    }
#endif
    NarrowColumnUpdate(length, x, count, t, y);
}

void NarrowBlockProducts(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                         double* c, long ldc, bool accumulate, bool lower) {
#if defined(__x86_64__) && defined(__GNUC__)
    NarrowProductsOf(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
#else
    BlockProducts(rows, cols, depth, a, lda, b, bj, bq, c, ldc, accumulate, lower);
#endif
}

void NarrowColumnUpdate(int length, double* x, int count, const double* t, const double* const* y) {
#if defined(__x86_64__) && defined(__GNUC__)
    NarrowUpdate(length, x, count, t, y);
#else
    for (int i = 0; i < length; ++i)
        for (int k = 0; k < count; ++k) x[i] -= t[k] * y[k][i];
#endif
}

}  // namespace quenvar
