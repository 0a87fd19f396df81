// The steps of the third-class design analysis that the adjustment driver delegates: the
// inverted matrix kept between the two stages, the weakest direction between them and the
// ratings of the observations in the second stage.
#pragma once

#include <memory>

#include "adjust/adjusted_cofactors.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Writes the inverted n x n part for the second stage; 98 on success, 0 on failure.
int WriteDesignMatrix(const Network& net, const NormalMatrix& q, int n);
// Reads the matrix of the first stage back into q; 1, or 0 when it is missing or does not
// match n.
int ReadDesignMatrix(NormalMatrix& q, int n);
// The step between the stages; 1 on success, 0 on any failure.
int FindWeakestDirection();
// The receiver of the observation ratings of the second stage; null when they cannot be
// written (the cofactors are then not computed either).
std::unique_ptr<CofactorSink> OpenDesignRatings(Network& net, const NormalMatrix& q, int n);

}  // namespace quenvar
