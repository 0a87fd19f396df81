// Plane networks generated from true coordinates without noise: a correct calculation gives the
// truth back.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/network_builder.h"

namespace quenvar::testing {

struct TruePoint {
    double x, y;
};

class SyntheticNetwork {
public:
    explicit SyntheticNetwork(Network& net) : net_(net), b_(net), truth_(1) {}

    int Known(const std::string& name, double x, double y) { return Add(b_.Point(name, x, y, 0, PointKnown), x, y); }
    int Unknown(const std::string& name, double x, double y) { return Add(b_.Point(name, 0, 0), x, y); }

    // Every station's zero direction points elsewhere.
    static double Orientation(int s) { return std::fmod(0.7137 * s, 2 * M_PI); }
    double TrueAzimuth(int s, int t) const {
        return std::fmod(std::atan2(truth_[t].y - truth_[s].y, truth_[t].x - truth_[s].x) + 2 * M_PI, 2 * M_PI);
    }
    int Direction(int s, int t) { return b_.Obs(s, t, KindDirection, std::fmod(TrueAzimuth(s, t) - Orientation(s) + 2 * M_PI, 2 * M_PI)); }
    int Azimuth(int s, int t) { return b_.Obs(s, t, KindAzimuth, TrueAzimuth(s, t)); }
    int Distance(int s, int t) {
        return b_.Obs(s, t, KindDistance, std::hypot(truth_[t].x - truth_[s].x, truth_[t].y - truth_[s].y));
    }

    const TruePoint& Truth(int p) const { return truth_[size_t(p)]; }
    // Largest |dX| + |dY| between computed and true positions.
    double WorstPlaneError() const {
        double worst = 0.0;
        for (size_t p = 1; p < truth_.size(); ++p)
            worst = std::max(worst, std::fabs(net_.Point(int(p)).x - truth_[p].x) + std::fabs(net_.Point(int(p)).y - truth_[p].y));
        return worst;
    }
    NetworkBuilder& builder() { return b_; }
    RecordingMessenger& ui() { return b_.ui(); }

private:
    int Add(int p, double x, double y) {
        truth_.push_back({x, y});
        return p;
    }
    Network& net_;
    NetworkBuilder b_;
    std::vector<TruePoint> truth_;
};

// Traverses through a rows x cols grid of jittered points: one along every row from the row's
// first two points, which are known, or (snake) one winding through all rows from the first
// two. Each station measures azimuth, direction and distance to the next station (the azimuth
// first, so it orients the station) and the direction back. Points are numbered in a shuffled
// order so the propagation has to come back again and again. Returns point indices by cell.
inline std::vector<int> BuildTraverses(SyntheticNetwork& g, int rows, int cols, unsigned seed, bool snake) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-20.0, 20.0);
    std::vector<std::vector<int>> lines;  // the traverses as sequences of grid cells
    for (int r = 0; r < rows; ++r) {
        if (!snake || r == 0) lines.emplace_back();
        for (int c = 0; c < cols; ++c) lines.back().push_back(r * cols + (snake && r % 2 ? cols - 1 - c : c));
    }
    std::vector<char> known(size_t(rows * cols), 0);
    for (const auto& line : lines) known[size_t(line[0])] = known[size_t(line[1])] = 1;
    std::vector<int> order(size_t(rows * cols)), index(order.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = int(k);
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t k = 0; k < order.size(); ++k) {
        const int cell = order[k];
        const double x = 30000.0 + 100.0 * (cell / cols) + jitter(rng), y = 50000.0 + 100.0 * (cell % cols) + jitter(rng);
        const std::string name = "G" + std::to_string(k);
        index[size_t(cell)] = known[size_t(cell)] ? g.Known(name, x, y) : g.Unknown(name, x, y);
    }
    for (const auto& line : lines) {
        for (size_t k = 0; k < line.size(); ++k) {
            const int s = index[size_t(line[k])];
            if (k + 1 < line.size()) {
                const int next = index[size_t(line[k + 1])];
                g.Azimuth(s, next);
                g.Direction(s, next);
                g.Distance(s, next);
            }
            if (k > 0) g.Direction(s, index[size_t(line[k - 1])]);
        }
    }
    return index;
}

}  // namespace quenvar::testing
