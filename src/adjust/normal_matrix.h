// The augmented normal equations of one adjustment pass: a symmetric matrix of order n + 1
// (n unknowns, then the right-hand side and the weighted sum of squared misclosures) held as
// one triangle of 8-byte floats, inverted in place. Only this class and the inversion know the
// storage order.
#pragma once

#include <cstddef>
#include <memory>

#include "adjust/normal_access.h"

namespace quenvar {

class NormalMatrix final : public NormalAccumulator, public CofactorMatrix {
public:
    // Allocates a zero-filled matrix of the given order; false when memory is short (the
    // previous contents are then released).
    bool Allocate(int order);
    void Release();
    bool Present() const { return data_ != nullptr; }

    int Order() const { return order_; }
    void Zero();

    // Element (i, j), both counted from 1; either triangle may be named.
    double& At(int i, int j) { return data_[Position(i, j)]; }
    double At(int i, int j) const { return data_[Position(i, j)]; }
    double& Element(int i, int j) override { return At(i, j); }
    // After the inversion the leading n x n part holds Q.
    double Cofactor(int i, int j) const override { return At(i, j); }
    // The last element: the weighted sum of squared misclosures, [pvv] after the solution.
    double& Last() { return At(order_, order_); }

    // Elements (i, 1) .. (i, i) of row i lie next to each other.
    double* Row(int i) { return data_.get() + Position(i, 1); }
    const double* Row(int i) const { return data_.get() + Position(i, 1); }

private:
    static size_t Position(int i, int j) {
        if (j > i) {
            const int t = i;
            i = j;
            j = t;
        }
        return size_t(i) * size_t(i - 1) / 2 + size_t(j) - 1;
    }

    std::unique_ptr<double[]> data_;
    int order_ = 0;
};

// Number of elements of a packed triangle of that order.
inline size_t PackedSize(int order) { return size_t(order) * size_t(order + 1) / 2; }

// Gauss-Jordan inversion in place of the leading n x n part of a positive-definite matrix,
// rotating the pivot to the end after each step; 1, or 0 on a pivot below 1e-20.
int InvertPacked(int n, NormalMatrix& matrix);

}  // namespace quenvar
