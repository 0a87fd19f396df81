// Re-weighting of the observations between the passes of the robust and variance-component
// methods.
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Method codes of the adjustment driver.
enum AdjustmentMethod : int {
    MethodSingle = 0,
    MethodDanish = 1,
    MethodDataSnooping = 2,
    MethodHuber = 3,
    MethodZhouJiangwen = 4,
    MethodGrossErrorsAfter = 5,
    MethodIteration = 6,
    MethodVarianceComponents = 7,
};

// Whether the method's re-weighting reads the cofactors of the adjusted observations.
bool ReweightingNeedsCofactors(int method);

// Changes the weights of the weight table from the residuals of the pass just made (the
// a-posteriori unit-weight error of the header is the scale). Methods 2, 5 and 7 first compute
// the cofactors of the adjusted observations from Q.
void ReweightObservations(Network& net, int method, const CofactorMatrix& q, int n, const UnknownMap& map,
                          bool angleMode);

}  // namespace quenvar
