// Datum terms of a network without fixed points (free network, or quasi-stable with class-2
// datum points).
#pragma once

#include <vector>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// The normalised datum vectors over the datum unknowns: translations (in the plane network X
// then Y), then rotation and scale when no azimuth or no distance fixes them.
struct DatumVectors {
    int defect = 0;               // the datum defect; 0 when the network has a fixed point
    int columns = 0;              // vectors held (rotation and scale need distinct datum points)
    std::vector<int> points;      // the datum points
    std::vector<int> unknowns;    // their unknowns, counted from 1; plane network X, Y per point
    std::vector<double> values;   // row a, vector k at values[a * columns + k]

    double Term(size_t a, size_t b) const {
        double t = 0.0;
        for (size_t k = 0; k < size_t(columns); ++k) t += values[a * size_t(columns) + k] * values[b * size_t(columns) + k];
        return t;
    }
};

// The datum vectors of the network; false when the work space cannot be allocated.
bool FindDatumVectors(const Network& net, const UnknownMap& map, DatumVectors& datum);

// Adds sign x G G^T to the unknowns part of the matrix, G the given datum vectors.
void AddDatumTerms(const DatumVectors& datum, NormalMatrix& matrix, double sign);

// Adds sign x G G^T to the unknowns part of the matrix, G the datum vectors. Returns the datum
// defect: 0 (and nothing added) when the network has a fixed point, -1 when the work space
// cannot be allocated.
int AddDatumConstraints(const Network& net, NormalMatrix& matrix, const UnknownMap& map, double sign);

}  // namespace quenvar
