// Datum terms of a network without fixed points (free network, or quasi-stable with class-2
// datum points).
#pragma once

#include <functional>
#include <vector>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// The points a set of datum vectors runs over. The vectors G_S over the datum points regularise
// the normal matrix: (N + G_S G_S^T)^-1 is a generalised inverse of N. The same vectors extended
// over every unknown point, G (centroid, number and spread still those of the datum points),
// span the null space of N with G_S^T G = I, so (N + G_S G_S^T)^-1 - G G^T is the cofactor
// matrix of the solution whose datum the datum points alone define (an S-transformation);
// when every unknown point is a datum point, G = G_S.
enum class DatumSpan { DatumPoints, AllUnknownPoints };

// The normalised datum vectors: translations (in the plane network X then Y), then rotation and
// scale when no azimuth or no distance fixes them.
struct DatumVectors {
    int defect = 0;               // the datum defect; 0 when the network has a fixed point
    int columns = 0;              // vectors held (rotation and scale need distinct datum points)
    std::vector<int> points;      // the points the vectors run over
    std::vector<int> unknowns;    // their unknowns, counted from 1; plane network X, Y per point
    std::vector<double> values;   // row a, vector k at values[a * columns + k]

    double Term(size_t a, size_t b) const {
        double t = 0.0;
        for (size_t k = 0; k < size_t(columns); ++k) t += values[a * size_t(columns) + k] * values[b * size_t(columns) + k];
        return t;
    }
};

// The datum vectors of the network over the given points; false when the work space cannot be
// allocated.
bool FindDatumVectors(const Network& net, const UnknownMap& map, DatumVectors& datum,
                      DatumSpan span = DatumSpan::DatumPoints);

// Scales the datum terms to the size of the observations' part of the matrix: G_S by 2^k,
// G by 2^-k (so G_S^T G = I still holds, and every value changes exactly), 4^k near the mean
// diagonal element of N over the datum unknowns, read through `diagonal` (unknowns counted
// from 1). The cofactors and the solution stay what they are; the matrix to invert,
// N + 4^k G_S G_S^T, is balanced instead of dominated by its datum terms.
void BalanceDatumVectors(DatumVectors& datum, DatumVectors& extended, const std::function<double(int)>& diagonal);

// y := y + G (G^T v) over the unknowns (n values each, unknown i at index i - 1).
void AddDatumProduct(const DatumVectors& datum, const double* v, double* y);

// Adds sign x G G^T to the unknowns part of the matrix, G the given datum vectors.
void AddDatumTerms(const DatumVectors& datum, NormalMatrix& matrix, double sign);

// Adds sign x G G^T to the unknowns part of the matrix: before the inversion (sign +1) G runs
// over the datum points, after it (sign -1) over all unknown points, which turns the inverse
// into the cofactor matrix of the datum the datum points define. Returns the datum defect: 0
// (and nothing added) when the network has a fixed point, -1 when the work space cannot be
// allocated.
int AddDatumConstraints(const Network& net, NormalMatrix& matrix, const UnknownMap& map, double sign);

}  // namespace quenvar
