// The sparse storage of the normal equations. Its pattern comes from the connections of the
// network, not from the numbers: the blocks of every two points joined by an observation or
// a pair mark, and of all points of one direction set (the eliminated orientation couples
// them). The pattern is ordered to reduce fill and analysed once per adjustment; each pass
// factors N = L D L^T, solves for the corrections with L, and computes cofactors only when a
// pass reads them, by selected inversion on the pattern of L.
//
// A network without fixed points is singular as it stands. A few datum unknowns are pinned
// by diagonal terms P, giving a regular sparse M = N + P; with the datum terms G_S G_S^T the
// matrix to invert is K = M + U S U^T, U = [G_S, sqrt(P)], S = diag(I, -I), a low-rank change,
// and K^-1 = M^-1 - (M^-1 U) C^-1 (M^-1 U)^T, C = S^-1 + U^T M^-1 U, is applied to the needed
// entries only. That takes off most of M^-1, so the cofactors of a free network come from a
// factor, selected inverse and correction in long double.
#pragma once

#include <memory>

#include "adjust/normal_system.h"

namespace quenvar {

// What a sparse system has done, for checking that the work is not repeated.
struct SparseWork {
    int analyses = 0;        // orderings and symbolic factorisations
    int factorisations = 0;  // numeric factorisations
    int inversions = 0;      // selected inversions
};

class SparseSystem final : public NormalSystem {
public:
    SparseSystem();
    ~SparseSystem() override;

    SolverKind Kind() const override { return SolverKind::Sparse; }
    bool Prepare(const Network& net, const UnknownMap& map, int n) override;
    int BeginPass(const Network& net, const UnknownMap& map) override;
    double FirstDiagonal() const override;
    int Solve() override;
    void Corrections(std::vector<double>& x) override;
    double WeightedSquareSum() const override;
    bool PrepareCofactors() override;

    double& Element(int i, int j) override;
    double Cofactor(int i, int j) const override;

    const SparseWork& Work() const;
    // Elements below the diagonal of N and of L.
    long PatternSize() const;
    long FactorSize() const;

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

}  // namespace quenvar
