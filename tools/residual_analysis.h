// What the residuals of an adjustment say: redundancy numbers, normalised residuals, the
// degrees of freedom and the global test of the unit-weight error, from the weights and the
// cofactors of the adjusted observations that the library keeps.
//
// With the weight p of an observation (the a-priori unit-weight variance over its own) and the
// cofactor c of the adjusted observation, the residual's cofactor is qvv = 1/p - c, its
// redundancy number r = p qvv, and the normalised residual w = v / (m0 sqrt(qvv)) with m0 the
// a-priori unit-weight error. The degrees of freedom are the sum of the redundancy numbers.
//
// The library gives the residuals of a station's directions against the orientation of its
// first direction (whose residual is 0). Adjusted with an orientation unknown per station, the
// least-squares residuals are those less their weighted mean over the station, so that is how
// they are given here; in angle mode they are taken as they are.
#pragma once

#include <vector>

#include "results.h"

namespace quenvar_cli {

struct ResidualRow {
    const ObservationRow* row = nullptr;
    double residual = 0.0;    // radians or metres
    double redundancy = 0.0;  // r, 0..1; NaN without a cofactor
    double normalised = 0.0;  // w; NaN when r is too small to say
};

struct ResidualAnalysis {
    std::vector<ResidualRow> rows;  // observations with a computed residual (or, in a design, a weight)
    bool hasCofactors = false;
    int degreesOfFreedom = 0;       // sum of the redundancy numbers, rounded
    double prior = 0.0;             // a-priori unit-weight error (radians or metres)
    double posterior = 0.0;         // a-posteriori unit-weight error
    double testValue = 0.0;         // f (posterior / prior)^2
    double lower = 0.0, upper = 0.0;  // its 95% chi-square interval
    bool accepted = true;
};

ResidualAnalysis AnalyseResiduals(const Results& results);

// Quantile of the chi-square distribution with f degrees of freedom (Wilson-Hilferty), for
// the standard normal quantile z.
double ChiSquareQuantile(int f, double z);

}  // namespace quenvar_cli
