// Networks generated from true coordinates without noise: every observation is computed from
// the truth, so a correct calculation must give the truth back.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/network_builder.h"

namespace quenvar::testing {

inline constexpr double TwoPi = 6.283185307179586476925;

struct TruePoint {
    double x = 0.0;
    double y = 0.0;
    double h = 0.0;
};

class SyntheticNetwork {
public:
    explicit SyntheticNetwork(Network& net) : net_(net), b_(net) { truth_.resize(1); }

    int Known(const std::string& name, double x, double y, double h = 0.0) { return Add(name, {x, y, h}, true); }
    int Unknown(const std::string& name, double x, double y, double h = 0.0) { return Add(name, {x, y, h}, false); }

    // The zero direction of a station's theodolite, a different one for every station.
    static double Orientation(int s) { return std::fmod(0.7137 * s, TwoPi); }
    double TrueAzimuth(int s, int t) const {
        const double a = std::atan2(truth_[t].y - truth_[s].y, truth_[t].x - truth_[s].x);
        return a < 0.0 ? a + TwoPi : a;
    }
    double TrueDistance(int s, int t) const {
        return std::hypot(truth_[t].x - truth_[s].x, truth_[t].y - truth_[s].y);
    }

    int Direction(int s, int t) {
        double v = TrueAzimuth(s, t) - Orientation(s);
        if (v < 0.0) v += TwoPi;
        return b_.Obs(s, t, KindDirection, v);
    }
    int Distance(int s, int t) { return b_.Obs(s, t, KindDistance, TrueDistance(s, t)); }
    int Azimuth(int s, int t) { return b_.Obs(s, t, KindAzimuth, TrueAzimuth(s, t)); }

    const TruePoint& Truth(int p) const { return truth_[size_t(p)]; }
    // Largest |dX| + |dY| between the computed and the true positions of all points.
    double WorstPlaneError() const {
        double worst = 0.0;
        for (int p = 1; p < int(truth_.size()); ++p)
            worst = std::max(worst, std::fabs(net_.Point(p).x - truth_[p].x) + std::fabs(net_.Point(p).y - truth_[p].y));
        return worst;
    }
    RecordingMessenger& ui() { return b_.ui(); }
    NetworkBuilder& builder() { return b_; }

private:
    int Add(const std::string& name, TruePoint t, bool known) {
        const int p = known ? b_.Point(name, t.x, t.y, t.h, PointKnown, PointKnown) : b_.Point(name, 0, 0, 0);
        truth_.push_back(t);
        return p;
    }

    Network& net_;
    NetworkBuilder b_;
    std::vector<TruePoint> truth_;
};

// A traverse snaking through a rows x cols grid of jittered points, carried station by station
// (back direction, forward direction, forward distance), each station also measuring the
// distance to its neighbour in the next row. The first two stations are known. Points are
// numbered in a shuffled order so the propagation has to come back again and again.
inline std::vector<int> BuildSnakeTraverse(SyntheticNetwork& g, int rows, int cols, unsigned seed) {
    const int n = rows * cols;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-20.0, 20.0);
    std::vector<TruePoint> grid(size_t(n));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            grid[size_t(r * cols + c)] = {30000.0 + 100.0 * r + jitter(rng), 50000.0 + 100.0 * c + jitter(rng), 0.0};
    std::vector<int> order(size_t(n));
    for (int k = 0; k < n; ++k) order[size_t(k)] = k;
    std::shuffle(order.begin() + 2, order.end(), rng);  // grid cells 0 and 1 stay the known pair

    std::vector<int> index(size_t(n));  // point index by grid cell
    for (int k = 0; k < n; ++k) {
        const int cell = order[size_t(k)];
        const TruePoint& t = grid[size_t(cell)];
        const std::string name = "G" + std::to_string(k);
        index[size_t(cell)] = cell < 2 ? g.Known(name, t.x, t.y) : g.Unknown(name, t.x, t.y);
    }
    // Station sequence along the snake: row 0 left to right, row 1 right to left, ...
    std::vector<int> snake;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) snake.push_back(index[size_t(r * cols + (r % 2 == 0 ? c : cols - 1 - c))]);
    std::vector<int> below(size_t(n) + 1, 0);  // the neighbour in the next row, by point index
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c < cols; ++c) below[size_t(index[size_t(r * cols + c)])] = index[size_t((r + 1) * cols + c)];

    for (size_t k = 0; k < snake.size(); ++k) {
        const int s = snake[k];
        if (k > 0) g.Direction(s, snake[k - 1]);
        if (k + 1 < snake.size()) {
            g.Direction(s, snake[k + 1]);
            g.Distance(s, snake[k + 1]);
        }
        if (below[size_t(s)] != 0) g.Distance(s, below[size_t(s)]);
    }
    return snake;
}

}  // namespace quenvar::testing
