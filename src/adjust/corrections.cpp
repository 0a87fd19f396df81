#include "adjust/corrections.h"

namespace quenvar {

void MultiplyCofactors(const NormalMatrix& matrix, int n, const double* v, double* y) {
    // Q is held as one triangle: row i gives Q(i, j) for j <= i and, by symmetry, Q(j, i).
    for (int i = 1; i <= n; ++i) y[i - 1] = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double* q = matrix.Row(i);
        double sum = 0.0;
        for (int j = 1; j < i; ++j) {
            sum += q[j - 1] * v[j - 1];
            y[j - 1] += q[j - 1] * v[i - 1];
        }
        y[i - 1] += sum + q[i - 1] * v[i - 1];
    }
}

void ApplyCorrections(Network& net, const std::vector<double>& x, const UnknownMap& map) {
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const int k = map[size_t(i)];
        if (k < 1) continue;
        PointRec& p = net.Point(i);
        if (PlaneNetwork(net)) {
            p.x -= x[size_t(2 * k - 2)];
            p.y -= x[size_t(2 * k - 1)];
        } else {
            p.h += x[size_t(k - 1)];
        }
    }
}

}  // namespace quenvar
