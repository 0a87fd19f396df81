#include "residual_analysis.h"

#include <cmath>
#include <limits>
#include <map>

namespace quenvar_cli {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Below this redundancy number a residual says nothing about its observation.
constexpr double SmallestRedundancy = 1e-3;
// Standard normal quantile of 97.5%.
constexpr double Z975 = 1.959963984540054;

}  // namespace

double ChiSquareQuantile(int f, double z) {
    if (f < 1) return 0.0;
    const double k = 2.0 / (9.0 * f);
    const double t = 1.0 - k + z * std::sqrt(k);
    return f * t * t * t;
}

ResidualAnalysis AnalyseResiduals(const Results& results) {
    ResidualAnalysis a;
    const zrResultSummary& s = results.summary;
    a.prior = results.Height() ? s.levelSigma : s.dirSigma;
    a.posterior = results.Height() ? s.heightSigma0 : s.planeSigma0;
    a.hasCofactors = s.weightsPresent != 0;
    // A design computes no residuals, but its weighted observations have redundancy numbers.
    for (const ObservationRow& row : results.observations) {
        if (!row.obs.adjusted && !(s.designMode && row.obs.weight > 0.0)) continue;
        a.rows.push_back({&row, row.obs.residual, NaN, NaN});
    }
    // Directions: residuals against the station's adjusted orientation.
    if (!results.Height() && !s.angleMode) {
        std::map<int, std::pair<double, double>> sums;  // station -> [p v], [p]
        for (const ResidualRow& r : a.rows) {
            if (r.row->obs.kind != 'c' || r.row->obs.weight <= 0.0) continue;
            auto& [pv, p] = sums[r.row->station];
            pv += r.row->obs.weight * r.residual;
            p += r.row->obs.weight;
        }
        for (ResidualRow& r : a.rows) {
            const auto it = sums.find(r.row->station);
            if (r.row->obs.kind == 'c' && it != sums.end() && it->second.second > 0.0) {
                r.residual -= it->second.first / it->second.second;
            }
        }
    }
    double sum = 0.0;
    for (ResidualRow& r : a.rows) {
        const double p = r.row->obs.weight;
        if (!a.hasCofactors || p <= 0.0) continue;
        const double qvv = 1.0 / p - r.row->obs.cofactor;
        r.redundancy = std::max(0.0, std::min(1.0, p * qvv));
        sum += r.redundancy;
        if (r.redundancy >= SmallestRedundancy && a.prior > 0.0) r.normalised = r.residual / (a.prior * std::sqrt(qvv));
    }
    a.degreesOfFreedom = int(std::lround(sum));
    if (a.degreesOfFreedom > 0 && a.prior > 0.0) {
        a.testValue = a.degreesOfFreedom * (a.posterior / a.prior) * (a.posterior / a.prior);
        a.lower = ChiSquareQuantile(a.degreesOfFreedom, -Z975);
        a.upper = ChiSquareQuantile(a.degreesOfFreedom, Z975);
        a.accepted = a.testValue >= a.lower && a.testValue <= a.upper;
    }
    return a;
}

}  // namespace quenvar_cli
