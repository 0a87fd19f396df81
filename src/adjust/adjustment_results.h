// Residuals of the observations and the precision records (point error ellipses, relative
// errors of point pairs, maxima in record 0) after a pass.
#pragma once

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// Residuals of every observation from the adjusted coordinates or heights and, when the
// precision records exist, their contents; Q is the inverted part of the normal matrix.
void ComputeResults(Network& net, const CofactorMatrix& q, const UnknownMap& map);

// Error ellipse (plane) or height error of unknown point k with unit-weight error s; record 0
// keeps the largest point error.
void PointEllipse(int k, const CofactorMatrix& q, double s, EllipseRec& record, EllipseRec& maxima, bool plane);

// Relative error of points i and j (at least one unknown) into record; record 0 keeps the
// largest pair error and the largest ratio of longitudinal error to distance with its pair.
void RelativeEllipse(const Network& net, int i, int j, const UnknownMap& map, const CofactorMatrix& q,
                     EllipseRec& record, EllipseRec& maxima, double s);

}  // namespace quenvar
