// Per-point index of the observation records, built once from the observation chains: the
// station of every observation and the observations aimed at every point, in index order.
// Calculations that look at a point from the other end of its observations read it instead
// of walking every chain.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "netdb/network.h"

namespace quenvar {

class ObservationIndex {
public:
    explicit ObservationIndex(const Network& net);

    // Highest point index taking part: pointCount, bounded by the storage.
    int PointLimit() const { return pointLimit_; }
    // Highest point index an observation can aim at without leaving the storage.
    int TargetLimit() const { return targetLimit_; }
    // The station whose chain holds obs, 0 for an observation in no chain.
    int StationOf(int obs) const;
    // The observations 1..obsCount whose target is point (0 ... TargetLimit), in index order.
    std::span<const uint16_t> Aiming(int point) const;

private:
    int pointLimit_ = 0;
    int targetLimit_ = 0;
    std::vector<uint16_t> stationOf_;
    std::vector<int> aimStart_;  // by point: first slot in aiming_, one extra entry at the end
    std::vector<uint16_t> aiming_;
};

}  // namespace quenvar
