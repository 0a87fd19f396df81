#include "adjust/normal_system.h"

#include <new>

#include "adjust/packed_system.h"
#include "adjust/sparse_system.h"

namespace quenvar {

const char* SolverName(SolverKind kind) { return kind == SolverKind::Sparse ? "sparse" : "packed"; }

SolverKind SolverFor(const Network& net, int method, SolverKind requested) {
    // 97 continues the analysis as its second stage.
    const bool thirdClass = net.hdr.designMode != 0 && (method == 1 || method == 2 || method == 97);
    return thirdClass ? SolverKind::Packed : requested;
}

std::unique_ptr<NormalSystem> MakeNormalSystem(SolverKind kind) {
    if (kind == SolverKind::Sparse) return std::unique_ptr<NormalSystem>(new (std::nothrow) SparseSystem);
    return std::unique_ptr<NormalSystem>(new (std::nothrow) PackedSystem);
}

}  // namespace quenvar
