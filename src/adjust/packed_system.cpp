#include "adjust/packed_system.h"

#include "adjust/corrections.h"
#include "adjust/datum_constraints.h"

namespace quenvar {

bool PackedSystem::Prepare(const Network& net, const UnknownMap& map, int n) {
    net_ = &net;
    map_ = &map;
    n_ = n;
    // The system has no memory compaction to ask for: the second attempt is a plain retry.
    return matrix_.Allocate(n + 1) || matrix_.Allocate(n + 1);
}

int PackedSystem::BeginPass(const Network& net, const UnknownMap& map) {
    matrix_.Zero();
    return AddDatumConstraints(net, matrix_, map, +1.0);
}

int PackedSystem::Solve() {
    if (InvertPacked(n_, matrix_) == 0) return SolveSingular;
    AddDatumConstraints(*net_, matrix_, *map_, -1.0);
    return 1;
}

void PackedSystem::Corrections(std::vector<double>& x) { SolveCorrections(matrix_, x, n_); }

}  // namespace quenvar
