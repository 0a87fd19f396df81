// Solution of the inverted normal equations and the corrections of the unknown points.
#pragma once

#include <vector>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// y := Q v, Q the leading n x n part of the inverted matrix (n values each).
void MultiplyCofactors(const NormalMatrix& matrix, int n, const double* v, double* y);

// Moves every unknown point by its correction: H := H + x (height), X := X - x, Y := Y - x
// (plane, whose rows carry the derivatives with reversed sign).
void ApplyCorrections(Network& net, const std::vector<double>& x, const UnknownMap& map);

}  // namespace quenvar
