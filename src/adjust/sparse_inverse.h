// Inversion of sparse normal matrices through a profile (envelope) factorisation. A survey
// normal matrix couples each unknown only with the unknowns of the points it is observed with;
// renumbered to a narrow profile, it factors in a small fraction of the dense work, and the
// full inverse follows column by column from the factor.
#pragma once

#include <memory>

#include "adjust/normal_matrix.h"

namespace quenvar {

// Inverts the leading n x n part of the normal matrix in place; 1, or 0 on a pivot below 1e-20.
using NormalInverter = int (*)(int n, NormalMatrix& matrix);

// Result of InvertByProfile when the work space cannot be allocated; the matrix is unchanged.
inline constexpr int ProfileNoMemory = -1;
// Result of ProfileFactor::Factor when the profile exceeds its limit; the matrix is unchanged.
inline constexpr int ProfileTooWide = -2;
// Smaller matrices are inverted densely.
inline constexpr int SmallestProfileOrder = 64;

// The profile worth factoring: at most an eighth of the square, in elements below the diagonal.
inline double SparseProfileLimit(int n) { return double(n) * double(n) / 8.0; }

// The L D L^T factor of the leading n x n part of a normal matrix, renumbered by reverse
// Cuthill-McKee, kept so that systems can be solved before the inverse is written back.
class ProfileFactor {
public:
    ProfileFactor();
    ~ProfileFactor();

    // Factors the matrix (left unchanged): 1, 0 on a pivot below 1e-20, ProfileTooWide when
    // the profile holds more than `limit` elements below the diagonal, or ProfileNoMemory.
    int Factor(int n, const NormalMatrix& matrix, double limit);
    // Solves the factored system in place; b[i - 1] belongs to unknown i. Needs Factor's 1.
    void Solve(double* b) const;
    // Writes the full inverse over the leading n x n part; 1, or ProfileNoMemory with the
    // matrix unchanged. Needs Factor's 1.
    int WriteInverse(NormalMatrix& matrix) const;

private:
    struct Data;
    std::unique_ptr<Data> data_;
};

// Inverts the leading n x n part in place, like InvertPacked: the unknowns are renumbered by
// reverse Cuthill-McKee, the profile is factored as L D L^T and the full inverse is written
// back in the original numbering; row n + 1 is not touched. 1, 0 on a pivot below 1e-20 (the
// matrix is then unchanged), or ProfileNoMemory.
int InvertByProfile(int n, NormalMatrix& matrix);

// The inversion the adjustment uses: InvertByProfile when the matrix is large and its profile
// at most an eighth of the square, else (or when memory is short) InvertPacked. 1, or 0 on a
// pivot below 1e-20.
int InvertNormalMatrix(int n, NormalMatrix& matrix);

}  // namespace quenvar
