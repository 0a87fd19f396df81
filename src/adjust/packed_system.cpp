#include "adjust/packed_system.h"

#include <new>

#include "adjust/corrections.h"

namespace quenvar {
namespace {

// The nonzero elements of the leading n x n triangle of m by columns, rows ascending.
void CopyLower(const NormalMatrix& m, int n, LowerColumnsCopy& copy) {
    copy.start.assign(size_t(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const double* row = m.Row(i);
        for (int j = 1; j <= i; ++j) copy.start[size_t(j)] += row[j - 1] != 0.0;
    }
    for (int j = 1; j <= n; ++j) copy.start[size_t(j)] += copy.start[size_t(j) - 1];
    copy.rows.resize(size_t(copy.start[size_t(n)]));
    copy.values.resize(copy.rows.size());
    std::vector<int> fill(copy.start.begin(), copy.start.end() - 1);
    for (int i = 1; i <= n; ++i) {
        const double* row = m.Row(i);
        for (int j = 1; j <= i; ++j) {
            if (row[j - 1] == 0.0) continue;
            const size_t p = size_t(fill[size_t(j) - 1]++);
            copy.rows[p] = i - 1;
            copy.values[p] = row[j - 1];
        }
    }
}

}  // namespace

bool PackedSystem::Prepare(const Network& net, const UnknownMap&, int n) {
    n_ = n;
    // The system has no memory compaction to ask for: the second attempt is a plain retry.
    const size_t bytes = PackedSize(n + 1) * sizeof(double);
    auto attempt = [&] { return AllocationAllowed(net.allocationAllowed, bytes) && matrix_.Allocate(n + 1); };
    return attempt() || attempt();
}

int PackedSystem::BeginPass(const Network& net, const UnknownMap& map) {
    matrix_.Zero();
    if (!FindDatumVectors(net, map, datum_) || !FindDatumVectors(net, map, extended_, DatumSpan::AllUnknownPoints))
        return -1;
    return datum_.defect;
}

double PackedSystem::FirstDiagonal() const {
    double term = 0.0;
    for (size_t a = 0; a < datum_.unknowns.size(); ++a)
        if (datum_.unknowns[a] == 1) term = datum_.Term(a, a);
    return matrix_.At(1, 1) + term;
}

int PackedSystem::Solve() {
    try {
        CopyLower(matrix_, n_, normal_);
    } catch (const std::bad_alloc&) {
        normal_ = LowerColumnsCopy{};
    }
    BalanceDatumVectors(datum_, extended_, [this](int u) { return matrix_.At(u, u); });
    AddDatumTerms(datum_, matrix_, +1.0);
    if (InvertPacked(n_, matrix_) == 0) return SolveSingular;
    AddDatumTerms(extended_, matrix_, -1.0);
    return 1;
}

void PackedSystem::Corrections(std::vector<double>& x) {
    if (normal_.start.empty()) {
        refinement_ = RefinementSteps{};
        SolveCorrections(matrix_, x, n_);
        return;
    }
    std::vector<double> v(static_cast<size_t>(n_));
    // The inversion leaves the right-hand side row as it was.
    const double* b = matrix_.Row(n_ + 1);
    // K^-1 v = Q v + G (G^T v): the inverse before the datum terms came off.
    const auto solve = [this, &v](double* r) {
        MultiplyCofactors(matrix_, n_, r, v.data());
        AddDatumProduct(extended_, r, v.data());
        std::copy(v.begin(), v.end(), r);
    };
    matrix_.Last() += RefinedCorrections(normal_.View(n_), b, datum_, extended_, solve, x, &refinement_);
}

}  // namespace quenvar
