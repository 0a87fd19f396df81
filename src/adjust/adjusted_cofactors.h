// Cofactors of the adjusted observations, kept in the second half of the weight table.
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

class WorkRow;

// Receives every rated observation while the cofactors are computed (the design analysis
// writes its records from it): the observation, its row without misclosure (places 1..n),
// its weight and the cofactor of the adjusted observation.
class CofactorSink {
public:
    virtual ~CofactorSink() = default;
    virtual void Rated(int obs, const WorkRow& row, double weight, double cofactor) = 0;
};

// c = a^T Q a for every weighted usable observation (and, in design mode, every planned one),
// plus 1/[p] for a direction whose station orientation was eliminated. Returns 0 when the
// work rows cannot be allocated, else 1.
int ComputeAdjustedCofactors(Network& net, const CofactorMatrix& q, int n, const UnknownMap& map, bool angleMode,
                             CofactorSink* sink);

}  // namespace quenvar
