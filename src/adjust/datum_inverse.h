// Inversion of the normal matrix of a network without fixed points. The datum terms G G^T
// couple every datum unknown with every other, so the matrix as a whole is dense; without
// them it is sparse but singular. Pinning a few datum unknowns by diagonal terms P gives a
// regular sparse matrix M = N + P, and N + G G^T = M + U S U^T with U = [G, sqrt(P)],
// S = diag(I, -I), a low-rank change that the Sherman-Morrison-Woodbury identity applies to the
// inverse of M.
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/sparse_inverse.h"

namespace quenvar {

// The sparse route alone for a normal matrix that holds the datum terms: 1 with the inverse
// written, or 0 when the network has a fixed point, the matrix is small or a step fails; the
// matrix then holds its datum terms again (equal up to rounding).
int InvertFreeNetworkSparse(const Network& net, int n, NormalMatrix& matrix, const UnknownMap& map);

// Inverts the leading n x n part of a normal matrix that holds the datum terms added by
// AddDatumConstraints, as `invert` would. With InvertNormalMatrix, a large network without
// fixed points is inverted through its sparse part; when that matrix is too wide, memory is
// short, a pivot fails or the low-rank system is ill-conditioned, the datum terms are restored
// and `invert` inverts the whole. 1, or 0 on a pivot below 1e-20.
int InvertWithDatum(const Network& net, int n, NormalMatrix& matrix, const UnknownMap& map, NormalInverter invert);

}  // namespace quenvar
