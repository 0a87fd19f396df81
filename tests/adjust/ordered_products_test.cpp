// The ordered block products and column updates must give every element bit for bit as the
// term-by-term sums do, whichever way the processor runs them, or the factor and the cofactors
// would depend on it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "adjust/ordered_products.h"

namespace quenvar {
namespace {

std::vector<double> Random(size_t count, std::mt19937& gen) {
    // Magnitudes over several decades, so that the order of the additions shows in the sums.
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    std::vector<double> v(count);
    for (double& e : v) e = std::ldexp(mantissa(gen), exponent(gen));
    return v;
}

// Each sum from zero in the order of q, with the same layouts as the products take.
std::vector<double> TermByTerm(int rows, int cols, int depth, const std::vector<double>& a, long lda,
                               const std::vector<double>& b, long bj, long bq, std::vector<double> c, bool accumulate) {
    for (int j = 0; j < cols; ++j)
        for (int i = 0; i < rows; ++i) {
            double s = 0.0;
            for (int q = 0; q < depth; ++q) s += a[size_t(i + q * lda)] * b[size_t(j * bj + q * bq)];
            double& e = c[size_t(i + j * rows)];
            e = accumulate ? e + s : s;
        }
    return c;
}

bool Same(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

// The kernels this processor picks, and the 128-bit ones that processors without 256-bit
// vectors run.
struct Kernels {
    const char* name;
    decltype(&OrderedBlockProducts) products;
    decltype(&OrderedColumnUpdate) update;
};
constexpr Kernels Both[] = {{"chosen", &OrderedBlockProducts, &OrderedColumnUpdate},
                            {"128-bit", &NarrowBlockProducts, &NarrowColumnUpdate}};

// Sizes around the vector width and the blocks of rows and columns, and one of a wide
// separator; b by rows and by columns; sums stored and added; the lower part alone.
TEST(OrderedBlockProducts, EqualTheTermByTermSumsBitForBit) {
    std::mt19937 gen(20);
    const int sizes[][3] = {{1, 1, 1}, {3, 2, 5}, {4, 4, 4}, {7, 5, 9}, {8, 4, 3}, {9, 6, 17},
                            {13, 13, 13}, {17, 11, 33}, {31, 9, 20}, {120, 40, 150}};
    for (const Kernels& kernels : Both)
        for (const auto& [rows, cols, depth] : sizes)
            for (const bool byRows : {false, true})
                for (const bool accumulate : {false, true})
                    for (const bool lower : {false, true}) {
                        SCOPED_TRACE(::testing::Message() << kernels.name << ": " << rows << " x " << cols << " x "
                                                          << depth << (byRows ? " b by rows" : "")
                                                          << (accumulate ? " added" : "") << (lower ? " lower" : ""));
                        const std::vector<double> a = Random(size_t(rows * depth), gen),
                                                  b = Random(size_t(cols * depth), gen),
                                                  c0 = Random(size_t(rows * cols), gen);
                        const long bj = byRows ? depth : 1, bq = byRows ? 1 : cols;
                        const std::vector<double> expected =
                            TermByTerm(rows, cols, depth, a, rows, b, bj, bq, c0, accumulate);
                        std::vector<double> c = c0;
                        kernels.products(rows, cols, depth, a.data(), rows, b.data(), bj, bq, c.data(), rows,
                                         accumulate, lower);
                        int differing = 0;
                        for (int j = 0; j < cols; ++j)
                            for (int i = lower ? j : 0; i < rows; ++i)
                                differing += !Same(c[size_t(i + j * rows)], expected[size_t(i + j * rows)]);
                        EXPECT_EQ(differing, 0);
                    }
}

// Lengths around the blocks of sixteen and four rows; zero, one and many columns.
TEST(OrderedColumnUpdate, EqualsTheTermByTermUpdateBitForBit) {
    std::mt19937 gen(21);
    for (const Kernels& kernels : Both)
        for (const int length : {1, 3, 4, 15, 16, 17, 21, 37, 150})
            for (const int count : {0, 1, 7, 40}) {
                SCOPED_TRACE(::testing::Message() << kernels.name << ": " << length << " rows, " << count << " columns");
                const std::vector<double> x0 = Random(size_t(length), gen), t = Random(size_t(count), gen),
                                          ys = Random(size_t(length * count), gen);
                std::vector<const double*> y;
                for (int k = 0; k < count; ++k) y.push_back(ys.data() + k * length);
                std::vector<double> expected = x0, x = x0;
                for (int i = 0; i < length; ++i)
                    for (int k = 0; k < count; ++k) expected[size_t(i)] -= t[size_t(k)] * y[size_t(k)][i];
                kernels.update(length, x.data(), count, t.data(), y.data());
                int differing = 0;
                for (int i = 0; i < length; ++i) differing += !Same(x[size_t(i)], expected[size_t(i)]);
                EXPECT_EQ(differing, 0);
            }
}

}  // namespace
}  // namespace quenvar
