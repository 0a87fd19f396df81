#include "adjust/selected_inverse.h"

#include <algorithm>

namespace quenvar {

void SelectedInverse(const LowerFactor& f, std::vector<double>& offDiagonal, std::vector<double>& diagonal) {
    const int n = f.n;
    offDiagonal.assign(size_t(n > 0 ? f.start[n] : 0), 0.0);
    diagonal.assign(size_t(n), 0.0);
    // slot[r]: index of row r among the rows of the current column, or -1.
    std::vector<int> slot(size_t(n), -1);
    std::vector<double> sum;
    for (int j = n - 1; j >= 0; --j) {
        const int begin = f.start[j], end = f.start[j + 1];
        const int count = end - begin;
        sum.assign(size_t(count), 0.0);
        for (int a = 0; a < count; ++a) slot[size_t(f.rows[begin + a])] = a;
        // sum[a] = sum over rows k of column j of Z(r_a, k) L(k, j), taking each stored Z(r, k)
        // of column k once for both orders of the pair.
        for (int a = 0; a < count; ++a) {
            const int k = f.rows[begin + a];
            const double lk = f.values[begin + a];
            sum[size_t(a)] += diagonal[size_t(k)] * lk;
            for (int p = f.start[k]; p < f.start[k + 1]; ++p) {
                const int b = slot[size_t(f.rows[p])];
                if (b < 0) continue;
                const double z = offDiagonal[size_t(p)];
                sum[size_t(b)] += z * lk;
                sum[size_t(a)] += z * f.values[begin + b];
            }
        }
        double zjj = 1.0 / f.d[j];
        for (int a = 0; a < count; ++a) {
            offDiagonal[size_t(begin + a)] = -sum[size_t(a)];
            zjj += f.values[begin + a] * sum[size_t(a)];
            slot[size_t(f.rows[begin + a])] = -1;
        }
        diagonal[size_t(j)] = zjj;
    }
}

long PatternPosition(const LowerFactor& f, int row, int column) {
    const int* first = f.rows + f.start[column];
    const int* last = f.rows + f.start[column + 1];
    const int* at = std::lower_bound(first, last, row);
    return at != last && *at == row ? long(at - f.rows) : -1;
}

}  // namespace quenvar
