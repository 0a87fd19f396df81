// The steps of the third-class design analysis that the adjustment driver delegates: the
// inverted matrix kept between the two stages, the weakest direction found between them and
// the ratings of the observations in the second stage.
#pragma once

#include <memory>
#include <vector>

#include "adjust/adjusted_cofactors.h"
#include "adjust/design_files.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Writes n, the a-priori unit-weight error s0 of the network kind and the inverted n x n part
// of q (packed lower triangle by rows, 4-byte floats) to "optim0.dat"; 98 on success, 0 when
// the file cannot be opened or written.
int WriteDesignMatrix(const Network& net, const NormalMatrix& q, int n, const DesignFiles& files);

// Reads the matrix of "optim0.dat" into the n x n part of q; 1, or 0 when the file is missing,
// holds another number of unknowns or is short.
int ReadDesignMatrix(NormalMatrix& q, int n, const DesignFiles& files);

// The step between the stages: reads "optim0.dat", decomposes s0 Q by the Jacobi method and
// writes to "optim1.dat" n, s0, lambda (the largest positive eigenvalue of s0 Q divided by s0;
// the first of equal ones) and its eigenvector. 1 on success; 0 when the file is missing or
// short, n < 2, memory is short, the method makes no rotation (Q already diagonal), no
// eigenvalue is positive or "optim1.dat" cannot be written. The gate is asked before the two
// n x n matrices of the decomposition are allocated.
int FindWeakestDirection(const DesignFiles& files, AllocationGate gate = nullptr);

// Reads "optim1.dat" into buffer: e[1..n] at places 1..n and lambda at place n + 1. 1, or 0
// when the file is missing, holds another n or is short.
int ReadWeakestDirection(std::vector<float>& buffer, int n, const DesignFiles& files);

// The receiver of the observation ratings of the second stage: for each rated observation o
// with row a and weight p, x = -Q a and the cofactor c of the adjusted observation, it stores
// and appends to "optim2.dat" the contribution g = s sqrt(sum x_i^2 / (1/p + c)) to the
// precision as a whole and the sensitivity h = |sqrt(p / 2) sum a_i e_i| lambda s in the
// weakest direction e (s the a-priori unit-weight error), h also in the observation's
// residual. Null when "optim1.dat" cannot be read or "optim2.dat" cannot be opened.
std::unique_ptr<CofactorSink> OpenDesignRatings(Network& net, const NormalMatrix& q, int n, const DesignFiles& files);

}  // namespace quenvar
