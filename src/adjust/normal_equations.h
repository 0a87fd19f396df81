// Accumulation of every usable observation equation into the augmented normal equations.
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Adds every usable, weighted observation of the current network kind to the matrix (order
// n + 1). Returns the number of equations less the eliminated station orientations, or 0 when
// the work rows cannot be allocated.
int FormNormalEquations(Network& net, NormalAccumulator& matrix, int n, const UnknownMap& map, bool angleMode);

}  // namespace quenvar
