// The packed storage of the normal equations: the whole augmented matrix as one triangle,
// the datum terms added before and subtracted after a Gauss-Jordan inversion in place.
#pragma once

#include "adjust/datum_constraints.h"
#include "adjust/normal_matrix.h"
#include "adjust/normal_system.h"

namespace quenvar {

class PackedSystem final : public NormalSystem {
public:
    SolverKind Kind() const override { return SolverKind::Packed; }
    bool Prepare(const Network& net, const UnknownMap& map, int n) override;
    int BeginPass(const Network& net, const UnknownMap& map) override;
    double FirstDiagonal() const override { return matrix_.At(1, 1); }
    int Solve() override;
    void Corrections(std::vector<double>& x) override;
    double WeightedSquareSum() const override { return matrix_.At(n_ + 1, n_ + 1); }
    NormalMatrix* Packed() override { return &matrix_; }

    double& Element(int i, int j) override { return matrix_.At(i, j); }
    double Cofactor(int i, int j) const override { return matrix_.At(i, j); }

private:
    int n_ = 0;
    NormalMatrix matrix_;
    DatumVectors extended_;  // over every unknown point, subtracted from the inverse
};

}  // namespace quenvar
