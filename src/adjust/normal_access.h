// The two ways the adjustment reaches the normal equations, whatever their storage: writing
// elements of the augmented matrix while the equations are formed, and reading the cofactors
// of the unknowns once they are solved.
#pragma once

namespace quenvar {

// Element (i, j) of the augmented normal matrix of order n + 1, both counted from 1, either
// triangle named: rows 1..n the normal matrix, row n + 1 the right-hand side and, in its last
// place, the weighted sum of squared misclosures.
class NormalAccumulator {
public:
    virtual double& Element(int i, int j) = 0;

protected:
    ~NormalAccumulator() = default;
};

// Cofactor Q(i, j) of unknowns i and j (counted from 1) of the solved normal equations.
class CofactorMatrix {
public:
    virtual double Cofactor(int i, int j) const = 0;

protected:
    ~CofactorMatrix() = default;
};

}  // namespace quenvar
