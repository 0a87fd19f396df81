#include "adjust/sparse_inverse.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace quenvar {
namespace {

constexpr int ColumnsPerSweep = 8;  // inverse columns computed in one pass over the factor

// Adjacency of the unknowns (counted from 0) in compressed rows: the neighbours of v are
// adj[start[v]] .. adj[start[v + 1] - 1].
struct Graph {
    std::vector<size_t> start;
    std::vector<int> adj;

    int Degree(int v) const { return int(start[size_t(v) + 1] - start[size_t(v)]); }
};

// The nonzero pattern of the leading n x n part from one scan of the triangle; false when it
// holds more than `limit` off-diagonal elements below the diagonal.
bool Pattern(int n, const NormalMatrix& m, double limit, Graph& g) {
    std::vector<size_t> lowerStart(size_t(n) + 1, 0);
    std::vector<int> lower;
    std::vector<int> degree(size_t(n), 0);
    for (int i = 1; i <= n; ++i) {
        const double* row = m.Row(i);
        for (int j = 1; j < i; ++j) {
            if (row[j - 1] == 0.0) continue;
            lower.push_back(j - 1);
            ++degree[size_t(i - 1)];
            ++degree[size_t(j - 1)];
        }
        if (double(lower.size()) > limit) return false;
        lowerStart[size_t(i)] = lower.size();
    }
    g.start.assign(size_t(n) + 1, 0);
    for (size_t v = 0; v < size_t(n); ++v) g.start[v + 1] = g.start[v] + size_t(degree[v]);
    g.adj.resize(g.start[size_t(n)]);
    std::vector<size_t> fill(g.start.begin(), g.start.end() - 1);
    for (size_t i = 0; i < size_t(n); ++i) {
        for (size_t e = lowerStart[i]; e < lowerStart[i + 1]; ++e) {
            const size_t j = size_t(lower[e]);
            g.adj[fill[i]++] = int(j);
            g.adj[fill[j]++] = int(i);
        }
    }
    return true;
}

// Breadth-first level structure of the component of `root`: fills `levels` with the
// component in level order and returns the number of levels; `last` receives the first index
// of the deepest level. `seen` holds stamps so that no clearing is needed between searches.
int LevelStructure(const Graph& g, int root, std::vector<int>& seen, int stamp, std::vector<int>& levels,
                   size_t& last) {
    levels.clear();
    levels.push_back(root);
    seen[size_t(root)] = stamp;
    size_t begin = 0;
    int depth = 0;
    while (begin < levels.size()) {
        const size_t end = levels.size();
        last = begin;
        ++depth;
        for (size_t q = begin; q < end; ++q) {
            const size_t v = size_t(levels[q]);
            for (size_t e = g.start[v]; e < g.start[v + 1]; ++e) {
                const int w = g.adj[e];
                if (seen[size_t(w)] == stamp) continue;
                seen[size_t(w)] = stamp;
                levels.push_back(w);
            }
        }
        begin = end;
    }
    return depth;
}

// A node of the component of `start` far from the others: from a node of least degree, move to
// the least-degree node of the deepest level while that deepens the level structure.
int PseudoPeripheral(const Graph& g, int start, std::vector<int>& seen, int& stamp) {
    std::vector<int> levels;
    size_t last = 0;
    LevelStructure(g, start, seen, ++stamp, levels, last);
    int root = start;
    for (const int v : levels)
        if (g.Degree(v) < g.Degree(root)) root = v;
    int depth = LevelStructure(g, root, seen, ++stamp, levels, last);
    for (;;) {
        int candidate = levels[last];
        for (size_t q = last; q < levels.size(); ++q)
            if (g.Degree(levels[q]) < g.Degree(candidate)) candidate = levels[q];
        const int d = LevelStructure(g, candidate, seen, ++stamp, levels, last);
        if (d <= depth) return root;
        root = candidate;
        depth = d;
    }
}

// Reverse Cuthill-McKee numbering: order[new] = old; components follow one another.
std::vector<int> ReverseCuthillMcKee(const Graph& g, int n) {
    std::vector<int> order;
    order.reserve(size_t(n));
    std::vector<int> seen(size_t(n), 0);
    std::vector<char> placed(size_t(n), 0);
    int stamp = 0;
    std::vector<int> next;
    for (int s = 0; s < n; ++s) {
        if (placed[size_t(s)]) continue;
        const int root = PseudoPeripheral(g, s, seen, stamp);
        size_t head = order.size();
        order.push_back(root);
        placed[size_t(root)] = 1;
        while (head < order.size()) {
            const size_t v = size_t(order[head++]);
            next.clear();
            for (size_t e = g.start[v]; e < g.start[v + 1]; ++e)
                if (!placed[size_t(g.adj[e])]) next.push_back(g.adj[e]);
            std::stable_sort(next.begin(), next.end(), [&g](int a, int b) { return g.Degree(a) < g.Degree(b); });
            for (const int w : next) {
                placed[size_t(w)] = 1;
                order.push_back(w);
            }
        }
    }
    std::reverse(order.begin(), order.end());
    return order;
}

// The renumbered matrix held by rows within its profile: row i keeps columns first[i] .. i,
// the diagonal last, from value[rowStart[i]]. After Factor the rows hold L below the diagonal
// and D on it.
struct Profile {
    std::vector<int> first;
    std::vector<size_t> rowStart;
    std::vector<double> value;

    double* Row(int i) { return value.data() + rowStart[size_t(i)]; }
    const double* Row(int i) const { return value.data() + rowStart[size_t(i)]; }
    double Diagonal(int i) const { return value[rowStart[size_t(i) + 1] - 1]; }
};

// The profile shape of the renumbered matrix; false when its elements below the diagonal
// exceed `limit`.
bool Shape(const Graph& g, const std::vector<int>& order, const std::vector<int>& position, double limit,
           Profile& p) {
    const size_t n = order.size();
    p.first.resize(n);
    p.rowStart.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        const size_t v = size_t(order[i]);
        int f = int(i);
        for (size_t e = g.start[v]; e < g.start[v + 1]; ++e) f = std::min(f, position[size_t(g.adj[e])]);
        p.first[i] = f;
        p.rowStart[i + 1] = p.rowStart[i] + (i - size_t(f)) + 1;
    }
    return double(p.rowStart[n] - n) <= limit;
}

// L D L^T factorisation within the profile, row by row; false on a pivot below 1e-20.
bool FactorProfile(Profile& p, int n) {
    for (int i = 0; i < n; ++i) {
        const int fi = p.first[size_t(i)];
        double* ri = p.Row(i);
        // Row i first receives L(i, j) D(j), then L(i, j).
        for (int j = fi; j < i; ++j) {
            const int fj = p.first[size_t(j)];
            const int k0 = std::max(fi, fj);
            const double* rj = p.Row(j);
            double s = ri[j - fi];
            for (int k = k0; k < j; ++k) s -= ri[k - fi] * rj[k - fj];
            ri[j - fi] = s;
        }
        double d = ri[i - fi];
        for (int j = fi; j < i; ++j) {
            const double u = ri[j - fi];
            const double l = u / p.Diagonal(j);
            d -= l * u;
            ri[j - fi] = l;
        }
        if (d < 1e-20) return false;
        ri[i - fi] = d;
    }
    return true;
}

// Last row of the diagonal block holding each row: no element couples rows after it with
// rows up to it.
std::vector<int> BlockEnds(const Profile& p, int n) {
    std::vector<int> end(static_cast<size_t>(n));
    int lowestFirst = n;  // least first column of the rows after i
    int blockEnd = n - 1;
    for (int i = n - 1; i >= 0; --i) {
        if (lowestFirst > i) blockEnd = i;
        end[size_t(i)] = blockEnd;
        lowestFirst = std::min(lowestFirst, p.first[size_t(i)]);
    }
    return end;
}

// Columns j0 .. j0 + c - 1 of the inverse, rows j0 .. end, by forward substitution with L,
// division by D and back substitution with L^T, all within the profile; w holds the columns
// side by side (row r of the block at w[(r - j0) * ColumnsPerSweep]).
void InverseColumns(const Profile& p, int j0, int c, int end, std::vector<double>& w) {
    constexpr int B = ColumnsPerSweep;
    std::fill(w.begin(), w.begin() + std::ptrdiff_t(size_t(end - j0 + 1) * B), 0.0);
    for (int i = j0; i <= end; ++i) {
        const int fi = p.first[size_t(i)];
        const double* ri = p.Row(i);
        double s[B] = {};
        for (int k = std::max(fi, j0); k < i; ++k) {
            const double l = ri[k - fi];
            const double* wk = &w[size_t(k - j0) * B];
            for (int q = 0; q < B; ++q) s[q] += l * wk[q];
        }
        double* wi = &w[size_t(i - j0) * B];
        const int own = i - j0;  // the column whose unit element lies in this row
        for (int q = 0; q < c; ++q) wi[q] = q < own ? -s[q] : (q == own ? 1.0 : 0.0);
    }
    for (int i = j0; i <= end; ++i) {
        const double d = p.Diagonal(i);
        for (int q = 0; q < B; ++q) w[size_t(i - j0) * B + size_t(q)] /= d;
    }
    for (int i = end; i >= j0; --i) {
        const int fi = p.first[size_t(i)];
        const double* ri = p.Row(i);
        double x[B];
        std::copy_n(&w[size_t(i - j0) * B], B, x);
        for (int k = std::max(fi, j0); k < i; ++k) {
            const double l = ri[k - fi];
            double* wk = &w[size_t(k - j0) * B];
            for (int q = 0; q < B; ++q) wk[q] -= l * x[q];
        }
    }
}

}  // namespace

// The renumbering and the factored profile.
struct ProfileFactor::Data {
    int n = 0;
    std::vector<int> order;
    Profile p;
    mutable std::vector<double> scratch;
};

ProfileFactor::ProfileFactor() = default;
ProfileFactor::~ProfileFactor() = default;

int ProfileFactor::Factor(int n, const NormalMatrix& matrix, double limit) {
    data_.reset();
    std::unique_ptr<Data> d(new (std::nothrow) Data);
    if (!d) return ProfileNoMemory;
    Profile& p = d->p;
    std::vector<int>& order = d->order;
    try {
        Graph g;
        if (!Pattern(n, matrix, limit, g)) return ProfileTooWide;
        order = ReverseCuthillMcKee(g, n);
        std::vector<int> position(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) position[size_t(order[size_t(i)])] = i;
        if (!Shape(g, order, position, limit, p)) return ProfileTooWide;
        p.value.resize(p.rowStart[size_t(n)]);
        d->scratch.resize(size_t(n));
    } catch (const std::bad_alloc&) {
        return ProfileNoMemory;
    }
    for (int i = 0; i < n; ++i) {
        const int fi = p.first[size_t(i)];
        double* ri = p.Row(i);
        for (int k = fi; k <= i; ++k) ri[k - fi] = matrix.At(order[size_t(i)] + 1, order[size_t(k)] + 1);
    }
    if (!FactorProfile(p, n)) return 0;
    d->n = n;
    data_ = std::move(d);
    return 1;
}

void ProfileFactor::Solve(double* b) const {
    const Data& d = *data_;
    const Profile& p = d.p;
    double* y = d.scratch.data();
    for (int i = 0; i < d.n; ++i) y[i] = b[d.order[size_t(i)]];
    for (int i = 0; i < d.n; ++i) {
        const int fi = p.first[size_t(i)];
        const double* ri = p.Row(i);
        double s = y[i];
        for (int k = fi; k < i; ++k) s -= ri[k - fi] * y[k];
        y[i] = s;
    }
    for (int i = 0; i < d.n; ++i) y[i] /= p.Diagonal(i);
    for (int i = d.n - 1; i >= 0; --i) {
        const int fi = p.first[size_t(i)];
        const double* ri = p.Row(i);
        for (int k = fi; k < i; ++k) y[k] -= ri[k - fi] * y[i];
    }
    for (int i = 0; i < d.n; ++i) b[d.order[size_t(i)]] = y[i];
}

int ProfileFactor::WriteInverse(NormalMatrix& matrix) const {
    const int n = data_->n;
    const Profile& p = data_->p;
    const std::vector<int>& order = data_->order;
    std::vector<int> ends;
    std::vector<double> w;
    try {
        ends = BlockEnds(p, n);
        w.resize(size_t(n) * ColumnsPerSweep);
    } catch (const std::bad_alloc&) {
        return ProfileNoMemory;
    }
    // Elements coupling different blocks are zero in the matrix and in its inverse alike; a
    // sweep stays within one block.
    int c = 0;
    for (int j0 = 0; j0 < n; j0 += c) {
        const int end = ends[size_t(j0)];
        c = std::min(ColumnsPerSweep, end - j0 + 1);
        InverseColumns(p, j0, c, end, w);
        for (int i = j0; i <= end; ++i) {
            const double* wi = &w[size_t(i - j0) * ColumnsPerSweep];
            const int row = order[size_t(i)] + 1;
            for (int q = 0; q < c && q <= i - j0; ++q) matrix.At(row, order[size_t(j0 + q)] + 1) = wi[q];
        }
    }
    return 1;
}

namespace {

int InvertSparse(int n, NormalMatrix& matrix, double limit) {
    ProfileFactor f;
    const int r = f.Factor(n, matrix, limit);
    return r == 1 ? f.WriteInverse(matrix) : r;
}

}  // namespace

int InvertByProfile(int n, NormalMatrix& matrix) {
    return InvertSparse(n, matrix, std::numeric_limits<double>::infinity());
}

int InvertNormalMatrix(int n, NormalMatrix& matrix) {
    if (n >= SmallestProfileOrder) {
        const int r = InvertSparse(n, matrix, SparseProfileLimit(n));
        if (r >= 0) return r;
    }
    return InvertPacked(n, matrix);
}

}  // namespace quenvar
