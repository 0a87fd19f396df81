#include "adjust/packed_system.h"

#include "adjust/corrections.h"
#include "adjust/datum_constraints.h"

namespace quenvar {

bool PackedSystem::Prepare(const Network& net, const UnknownMap&, int n) {
    n_ = n;
    // The system has no memory compaction to ask for: the second attempt is a plain retry.
    const size_t bytes = PackedSize(n + 1) * sizeof(double);
    auto attempt = [&] { return AllocationAllowed(net.allocationAllowed, bytes) && matrix_.Allocate(n + 1); };
    return attempt() || attempt();
}

int PackedSystem::BeginPass(const Network& net, const UnknownMap& map) {
    matrix_.Zero();
    // The vectors taken off after the inversion are found now, so that a shortage of memory
    // shows before the equations are formed and never leaves the datum terms in the inverse.
    const int defect = AddDatumConstraints(net, matrix_, map, +1.0);
    if (defect < 0 || !FindDatumVectors(net, map, extended_, DatumSpan::AllUnknownPoints)) return -1;
    return defect;
}

int PackedSystem::Solve() {
    if (InvertPacked(n_, matrix_) == 0) return SolveSingular;
    AddDatumTerms(extended_, matrix_, -1.0);
    return 1;
}

void PackedSystem::Corrections(std::vector<double>& x) { SolveCorrections(matrix_, x, n_); }

}  // namespace quenvar
