// Dense block products and column updates of the double factor and selected inverse. Every
// element's sum starts from zero (or from the element) and takes its terms one by one in the
// order of their index, each product rounded before it is added: neighbouring rows are taken
// together in 256-bit vectors where the processor has them and in 128-bit ones elsewhere, and
// the numbers are the same. The general product kernels split long sums into panels whose
// length follows the processor's cache sizes and add short ones in vector-wide partial sums, so
// their last bits depend on the processor.
#pragma once

namespace quenvar {

// c(i, j) = sum_q a(i, q) b(j, q) over q < depth (added to c(i, j) when `accumulate`), for
// i < rows and j < cols, or with `lower` for i >= j (some elements above the diagonal are
// computed too, and are not meant to be read). Element (i, q) of a lies at a[i + q * lda],
// (j, q) of b at b[j * bj + q * bq], (i, j) of c at c[i + j * ldc].
void OrderedBlockProducts(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                          double* c, long ldc, bool accumulate, bool lower);

// x(i) -= t[k] y[k][i] for k = 0, 1, ... count - 1 in turn, for i < length: each element
// updated term by term, each product rounded before it is subtracted.
void OrderedColumnUpdate(int length, double* x, int count, const double* t, const double* const* y);

// The same with 128-bit vectors only, as processors without 256-bit ones run them; named so
// that their numbers can be checked on any processor.
void NarrowBlockProducts(int rows, int cols, int depth, const double* a, long lda, const double* b, long bj, long bq,
                         double* c, long ldc, bool accumulate, bool lower);
void NarrowColumnUpdate(int length, double* x, int count, const double* t, const double* const* y);

}  // namespace quenvar
