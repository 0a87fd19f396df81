// Linearised observation equations: one coefficient row per observation, the station mean
// row that eliminates the orientation of a direction set, and the accumulation of a weighted
// row into the normal equations.
#pragma once

#include <vector>

#include "adjust/adjustment_tables.h"
#include "adjust/normal_matrix.h"

namespace quenvar {

// A row of n + 1 places (1..n coefficients, n + 1 the misclosure) that keeps the list of the
// places it has touched, so that using and clearing it costs only its few nonzero places.
class WorkRow {
public:
    // Sized for n unknowns; false when memory is short.
    bool Allocate(int n);
    int Unknowns() const { return n_; }

    void Add(int place, double value) {
        if (!touched_[size_t(place)]) {
            touched_[size_t(place)] = 1;
            places_.push_back(place);
        }
        values_[size_t(place)] += value;
    }
    double Value(int place) const { return values_[size_t(place)]; }
    bool Touched(int place) const { return touched_[size_t(place)] != 0; }
    // The touched places, in ascending order after SortPlaces.
    const std::vector<int>& Places() const { return places_; }
    void SortPlaces();
    void Scale(double factor);
    // Every place of other subtracted from this row.
    void Subtract(const WorkRow& other);
    void Clear();

private:
    int n_ = 0;
    std::vector<double> values_;
    std::vector<char> touched_;
    std::vector<int> places_;
};

// What the row builder remembers along one station's directions.
struct DirectionChain {
    bool notFirst = false;  // the first-direction flag: a direction of the station was met
    // The previous direction (angle mode): coefficients, unknown point and reduced direction.
    double bPrev = 0.0;
    double aPrev = 0.0;
    int prevUnknown = 0;
    double rPrev = 0.0;

    void Begin() { *this = DirectionChain{}; }
};

// Builds the row of one observation of the given kind and value from station to target:
// coefficients are the derivatives of the computed observation with reversed sign (plane) or
// their own sign (height), the misclosure computed minus observed. A direction in direction
// mode has the station's mean row subtracted. 1 when a row was built; 0 for coincident points,
// a kind without an equation, or the first direction of a station in angle mode.
int ObservationRow(const Network& net, const UnknownMap& map, const WorkRow* meanRow, WorkRow& row, int kind,
                   bool withMisclosure, int station, int target, DirectionChain& chain, double value, bool angleMode);

// Adds weight x row^T row into the lower triangle of the matrix and clears the row.
void AccumulateRow(WorkRow& row, NormalAccumulator& matrix, double weight);

// The weighted mean row of the directions of station (direction mode); returns their weight
// sum [p]. A lone direction gets weight 0 and [p] is then 0.
float EliminateOrientation(Network& net, const UnknownMap& map, int station, WorkRow& meanRow, bool withMisclosure);

// The most unknowns the observations of a station can reach: its own and those of every target.
int StationUnknowns(const Network& net, int station);

// A direction or azimuth misclosure larger than 6.0 in magnitude brought back by a full circle.
double WrapAngularMisclosure(double l);

}  // namespace quenvar
