// Eigenvalues and eigenvectors of a real symmetric matrix by the cyclic Jacobi method, in
// 4-byte floats: sweeps over the off-diagonal pairs, each rotation making one pair zero.
#pragma once

#include <cstddef>
#include <vector>

namespace quenvar {

// A square matrix of 4-byte floats stored by rows, indices counted from 1.
class FloatMatrix {
public:
    // Zero-filled n x n; false when memory is short.
    bool Allocate(int n);
    int Order() const { return n_; }
    float& operator()(int i, int j) { return v_[Index(i, j)]; }
    float operator()(int i, int j) const { return v_[Index(i, j)]; }

private:
    size_t Index(int i, int j) const { return size_t(i - 1) * size_t(n_) + size_t(j - 1); }
    int n_ = 0;
    std::vector<float> v_;
};

inline constexpr int JacobiMostSweeps = 50;

// Decomposes a (symmetric; only its upper triangle is read, and it is destroyed) into v
// (rows: eigenvectors of unit length) and d[1..n] (eigenvalues; d holds n + 1 places).
// A sweep starts with S = sum of |a(p, q)| over p < q and ends the method when S is 0. In the
// first three sweeps a pair is rotated only when |a(p, q)| exceeds 0.2 S / n^2; from the fifth
// sweep an element too small to change d(p) and d(q) even a hundredfold is set to 0 without a
// rotation. The diagonal changes are gathered over a sweep and added at its end. At most 50
// sweeps. Returns the number of rotations made (0 for a matrix that is already diagonal).
int JacobiEigen(FloatMatrix& a, FloatMatrix& v, std::vector<float>& d);

}  // namespace quenvar
