// The solver seam of the adjustment: the normal equations of the passes, their datum terms,
// their solution and the cofactors of the unknowns, behind one interface with two storages.
//   "sparse"  the pattern of the network's connections, a fill-reducing ordering and an L D L^T
//             factor analysed once per adjustment, corrections by triangular solves, and the
//             cofactors by selected inversion on the factor's pattern;
//   "packed"  the whole augmented matrix as one triangle, inverted in place by Gauss-Jordan:
//             the reference, and the storage of the design analysis, which writes the whole
//             cofactor matrix.
#pragma once

#include <memory>
#include <vector>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_access.h"
#include "adjust/refined_solution.h"

namespace quenvar {

class NormalMatrix;

enum class SolverKind { Sparse, Packed };

// "sparse" or "packed".
const char* SolverName(SolverKind kind);

// Results of NormalSystem::Solve besides 1.
inline constexpr int SolveSingular = 0;  // a pivot below 1e-20
// The storage cannot solve these equations (memory, a connection outside the pattern, an
// ill-conditioned datum system); the packed storage can.
inline constexpr int SolveUseReference = -1;
// The packed storage cannot have the work space it refines the corrections with.
inline constexpr int SolveNoMemory = -2;

class NormalSystem : public NormalAccumulator, public CofactorMatrix {
public:
    virtual ~NormalSystem() = default;

    virtual SolverKind Kind() const = 0;

    // Once per adjustment: storage for n unknowns (the sparse pattern from the observations of
    // the network that can take part). false when memory is short.
    virtual bool Prepare(const Network& net, const UnknownMap& map, int n) = 0;

    // Clears the equations for a pass and takes the datum terms of a network without fixed
    // points. Returns the datum defect (0 when a point is fixed), -1 when memory is short.
    virtual int BeginPass(const Network& net, const UnknownMap& map) = 0;

    // N(1, 1) with its datum term, the first pivot of the packed inversion.
    virtual double FirstDiagonal() const = 0;

    // Solves the equations formed: 1, SolveSingular, SolveUseReference or SolveNoMemory. Afterwards
    // Corrections and the cofactors are available.
    virtual int Solve() = 0;

    // x := -Q b, and the weighted sum of squared misclosures becomes [pvv]. The corrections
    // are refined to the exact solution of the equations as formed, rounded once, so that
    // both storages give the same numbers.
    virtual void Corrections(std::vector<double>& x) = 0;

    // The last element of the augmented matrix: [pll] while forming, [pvv] after Corrections.
    virtual double WeightedSquareSum() const = 0;

    // Makes every cofactor of the solved equations readable; false when memory is short. A
    // storage that keeps the whole inverse has nothing to do.
    virtual bool PrepareCofactors() { return true; }

    // The packed triangle itself (the design analysis reads and writes it); null for the
    // sparse storage.
    virtual NormalMatrix* Packed() { return nullptr; }

    // How the last pass's corrections were refined.
    const RefinementSteps& Refinement() const { return refinement_; }

protected:
    RefinementSteps refinement_;
};

// The storage that serves an adjustment by the given method: the stages of the third-class
// design analysis (methods 1 and 2 in a design network) read and write the whole cofactor
// matrix and take the packed one; otherwise the one asked for.
SolverKind SolverFor(const Network& net, int method, SolverKind requested);

// An empty system of the given kind; null when memory is short.
std::unique_ptr<NormalSystem> MakeNormalSystem(SolverKind kind);

}  // namespace quenvar
