// The datum terms of a network without fixed points as a low-rank correction of a sparse
// solution. The datum terms G G^T couple every datum unknown with every other, so the matrix
// N + G G^T is dense as a whole; N alone is sparse but singular. Pinning a few datum unknowns
// by diagonal terms P gives a regular sparse M = N + P, and
//   N + G G^T = M + U S U^T,  U = [G, sqrt(P)],  S = diag(I, -I),
// whose inverse is M^-1 - (M^-1 U) C^-1 (M^-1 U)^T with the small C = S^-1 + U^T M^-1 U.
// The correction cancels much of M^-1 (the variances of a free network are far smaller than
// those of the pinned one), so it is carried in long double, like the factor of M it comes from.
#pragma once

#include <functional>
#include <vector>

#include "adjust/datum_constraints.h"

namespace quenvar {

class DatumUpdate {
public:
    // Unknowns (counted from 1) to pin: in the height network the first datum point; in the
    // plane network X and Y of the datum point farthest from the centroid and of the datum
    // point farthest from that one. Two far-apart pins fix rotation and scale well and keep
    // the variances of M, and with them the low-rank system, moderate.
    static std::vector<int> PinnedUnknowns(const Network& net, const DatumVectors& datum);

    // The weight of a pin on an unknown whose diagonal element of N is d: as strong as the
    // unknown's own observations, so that M stays well balanced, and a power of four, so that
    // its square root in U is exact.
    static double PinWeight(double d);

    // Solves X := M^-1 X in place for the given number of columns (X n x columns by rows,
    // unknown i in row i - 1).
    using Solver = std::function<void(long double*, int)>;
    // y := N x and |N| |x| (both n values) for the check of the solutions.
    using Product = std::function<void(const double* x, double* y, double* magnitude)>;

    // Builds the correction once M (pinned with `weights`) is factored. False when the small
    // system is singular or the solutions of (N + G G^T) X = U fail the backward-error check.
    bool Build(int n, const DatumVectors& datum, const std::vector<int>& pins, const std::vector<double>& weights,
               const Solver& solve, const Product& multiply);

    // ((M^-1 U) C^-1 (M^-1 U)^T)(i, j), unknowns counted from 1.
    long double Correction(int i, int j) const;
    // y := y - (M^-1 U) C^-1 (M^-1 U)^T b, turning M^-1 b into (N + G G^T)^-1 b.
    void Apply(const double* b, long double* y) const;

private:
    size_t m_ = 0;                     // columns of U
    std::vector<long double> mu_;      // M^-1 U, by rows
    std::vector<long double> vc_;      // M^-1 U C^-1, by rows
};

}  // namespace quenvar
