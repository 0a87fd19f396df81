#include "adjust/normal_matrix.h"

#include <algorithm>
#include <new>
#include <vector>

namespace quenvar {

bool NormalMatrix::Allocate(int order) {
    Release();
    data_.reset(new (std::nothrow) double[PackedSize(order)]);
    if (!data_) return false;
    order_ = order;
    Zero();
    return true;
}

void NormalMatrix::Release() {
    data_.reset();
    order_ = 0;
}

void NormalMatrix::Zero() {
    if (data_) std::fill_n(data_.get(), PackedSize(order_), 0.0);
}

int InvertPacked(int n, NormalMatrix& matrix) {
    std::vector<double> h(size_t(n) + 1, 0.0);
    for (int k = n; k >= 1; --k) {
        const double p = matrix.At(1, 1);
        if (p < 1e-20) return 0;
        for (int i = 2; i <= n; ++i) {
            const double* from = matrix.Row(i);
            double* to = matrix.Row(i - 1);
            const double g = from[0];
            h[size_t(i)] = i <= k ? -(g / p) : g / p;
            // Row i moves up one row and one column to the left.
            for (int j = 2; j <= i; ++j) to[j - 2] = from[j - 1] + g * h[size_t(j)];
        }
        double* last = matrix.Row(n);
        last[n - 1] = 1.0 / p;
        for (int j = 1; j < n; ++j) last[j - 1] = h[size_t(j) + 1];
    }
    return 1;
}

}  // namespace quenvar
