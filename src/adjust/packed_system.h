// The packed storage of the normal equations: the whole augmented matrix as one triangle,
// the datum terms added before and subtracted after a Gauss-Jordan inversion in place.
#pragma once

#include "adjust/datum_constraints.h"
#include "adjust/normal_matrix.h"
#include "adjust/normal_system.h"
#include "adjust/refined_solution.h"

namespace quenvar {

class PackedSystem final : public NormalSystem {
public:
    SolverKind Kind() const override { return SolverKind::Packed; }
    bool Prepare(const Network& net, const UnknownMap& map, int n) override;
    int BeginPass(const Network& net, const UnknownMap& map) override;
    double FirstDiagonal() const override;
    int Solve() override;
    void Corrections(std::vector<double>& x) override;
    double WeightedSquareSum() const override { return matrix_.At(n_ + 1, n_ + 1); }
    NormalMatrix* Packed() override { return &matrix_; }
    // Refines the cofactors on the pattern of N once the corrections of the pass are known.
    bool PrepareCofactors() override;

    double& Element(int i, int j) override { return matrix_.At(i, j); }
    double Cofactor(int i, int j) const override { return matrix_.At(i, j); }

private:
    int n_ = 0;
    NormalMatrix matrix_;
    // The datum vectors of a network without fixed points over the datum points and over every
    // unknown point.
    DatumVectors datum_, extended_;
    // N as formed, kept from the inversion for the refinement of the corrections.
    LowerColumnsCopy normal_;
    AllocationGate gate_ = nullptr;  // the network's, asked before the work space is allocated
    bool corrected_ = false;  // the corrections of the pass are taken, its cofactors not refined

    void RefineCofactors();
};

}  // namespace quenvar
