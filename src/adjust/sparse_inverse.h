// Inversion of sparse normal matrices through a profile (envelope) factorisation. A survey
// normal matrix couples each unknown only with the unknowns of the points it is observed with;
// renumbered to a narrow profile, it factors in a small fraction of the dense work, and the
// full inverse follows column by column from the factor.
#pragma once

#include "adjust/normal_matrix.h"

namespace quenvar {

// Result of InvertByProfile when the work space cannot be allocated; the matrix is unchanged.
inline constexpr int ProfileNoMemory = -1;

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
