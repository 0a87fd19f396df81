#include "adjust/packed_system.h"

#include <new>

#include "adjust/corrections.h"

namespace quenvar {
namespace {

// The nonzero elements of the leading n x n triangle of m by columns, rows ascending; throws
// std::bad_alloc when the gate refuses their memory.
void CopyLower(const NormalMatrix& m, int n, LowerColumnsCopy& copy, AllocationGate gate) {
    copy.start.assign(size_t(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const double* row = m.Row(i);
        for (int j = 1; j <= i; ++j) copy.start[size_t(j)] += row[j - 1] != 0.0;
    }
    for (int j = 1; j <= n; ++j) copy.start[size_t(j)] += copy.start[size_t(j) - 1];
    const size_t count = size_t(copy.start[size_t(n)]);
    if (!AllocationAllowed(gate, count * (sizeof(int) + sizeof(double)))) throw std::bad_alloc();
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
    gate_ = net.allocationAllowed;
    // The system has no memory compaction to ask for: the second attempt is a plain retry.
    const size_t bytes = PackedSize(n + 1) * sizeof(double);
    auto attempt = [&] { return AllocationAllowed(net.allocationAllowed, bytes) && matrix_.Allocate(n + 1); };
    return attempt() || attempt();
}

int PackedSystem::BeginPass(const Network& net, const UnknownMap& map) {
    matrix_.Zero();
    corrected_ = false;
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
        CopyLower(matrix_, n_, normal_, gate_);
    } catch (const std::bad_alloc&) {
        normal_ = LowerColumnsCopy{};
        return SolveNoMemory;
    }
    BalanceDatumVectors(datum_, extended_, [this](int u) { return matrix_.At(u, u); });
    AddDatumTerms(datum_, matrix_, +1.0);
    if (InvertPacked(n_, matrix_) == 0) return SolveSingular;
    AddDatumTerms(extended_, matrix_, -1.0);
    return 1;
}

void PackedSystem::Corrections(std::vector<double>& x) {
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
    corrected_ = true;
}

bool PackedSystem::PrepareCofactors() {
    if (!corrected_) return true;
    corrected_ = false;
    try {
        RefineCofactors();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// One Newton step X + X (I - K X) towards K^-1 on the elements that N couples, the residual
// I - K X in twice the working precision: the cofactors the results read lose the rounding of
// the Gauss-Jordan inversion, which grows with the order, and come as close to the inverse as
// the sparse storage's. Q = X - G G^T is held; X = Q + G G^T is used column by column.
void PackedSystem::RefineCofactors() {
    const size_t n = size_t(n_), w = size_t(extended_.columns);
    if (!AllocationAllowed(gate_, (5 * n + w + normal_.values.size()) * sizeof(double))) throw std::bad_alloc();
    std::vector<int> row(n + 1, -1);  // row of each unknown in the datum vectors
    for (size_t a = 0; a < extended_.unknowns.size(); ++a) row[size_t(extended_.unknowns[a])] = int(a);
    const auto g = [this, w](int a, size_t k) { return extended_.values[size_t(a) * w + k]; };
    std::vector<double> x(n), unit(n, 0.0), f(n), t(w), refined(normal_.values.size());
    for (int j = 1; j <= n_; ++j) {
        for (int i = 1; i <= n_; ++i) x[size_t(i) - 1] = matrix_.At(i, j);
        if (w > 0 && row[size_t(j)] >= 0)
            for (size_t a = 0; a < extended_.unknowns.size(); ++a)
                x[size_t(extended_.unknowns[a]) - 1] += extended_.Term(a, size_t(row[size_t(j)]));
        unit[size_t(j) - 1] = 1.0;
        ExactResidual(normal_.View(n_), datum_, unit.data(), x.data(), f.data());
        unit[size_t(j) - 1] = 0.0;
        std::fill(t.begin(), t.end(), 0.0);
        for (size_t a = 0; a < extended_.unknowns.size(); ++a)
            for (size_t k = 0; k < w; ++k) t[k] += g(int(a), k) * f[size_t(extended_.unknowns[a]) - 1];
        for (int p = normal_.start[size_t(j) - 1]; p < normal_.start[size_t(j)]; ++p) {
            const int i = normal_.rows[size_t(p)] + 1;
            // (X f)_i = Q_i f + G_i (G^T f).
            const double* q = matrix_.Row(i);
            double s = 0.0;
            for (int k = 1; k <= i; ++k) s += q[k - 1] * f[size_t(k) - 1];
            for (int k = i + 1; k <= n_; ++k) s += matrix_.At(k, i) * f[size_t(k) - 1];
            if (w > 0 && row[size_t(i)] >= 0)
                for (size_t k = 0; k < w; ++k) s += g(row[size_t(i)], k) * t[k];
            refined[size_t(p)] = matrix_.At(i, j) + s;
        }
    }
    for (int j = 1; j <= n_; ++j)
        for (int p = normal_.start[size_t(j) - 1]; p < normal_.start[size_t(j)]; ++p)
            matrix_.At(normal_.rows[size_t(p)] + 1, j) = refined[size_t(p)];
}

}  // namespace quenvar
