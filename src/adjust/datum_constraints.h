// Datum terms of a network without fixed points (free network, or quasi-stable with class-2
// datum points).
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Adds sign x G G^T to the unknowns part of the matrix, G the normalised datum vectors of the
// datum points (translations; in the plane network rotation and scale when no azimuth or no
// distance fixes them). Returns the datum defect: 0 (and nothing added) when the network has a
// fixed point, -1 when the work space cannot be allocated.
int AddDatumConstraints(const Network& net, NormalMatrix& matrix, const UnknownMap& map, double sign);

}  // namespace quenvar
