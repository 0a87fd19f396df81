// Working indexes of one approximate calculation, built once from the observation chains:
// the station of every observation, the observations aimed at every point (in index order),
// and the stations whose chains must be walked again because something they read changed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "netdb/network.h"

namespace quenvar {

// Cuts every observation chain where it runs into an observation beyond obsCount or one
// already reached from another link, so that no walk along a chain can loop.
void CutBrokenChains(Network& net);

class Workspace {
public:
    explicit Workspace(Network& net);

    Network& net;

    // Highest point index taking part: pointCount, bounded by the storage.
    int PointLimit() const { return pointLimit_; }
    // Highest point index an observation can aim at without leaving the storage.
    int TargetLimit() const { return targetLimit_; }
    // The station whose chain holds obs, 0 for an observation in no chain.
    int StationOf(int obs) const;
    // The observations 1..obsCount whose target is point (0 ... TargetLimit), in index order.
    std::span<const uint16_t> Aiming(int point) const;

    // A point's position, height, orientation, locus or double solution changed: its own chain
    // and the chains of every station that observes it must be walked again.
    void Touch(int point);
    // An observation's working mark was reset from outside its station's walk.
    void TouchObservation(int obs);
    bool Pending(int station) const { return pending_[size_t(station)] != 0; }
    void Settle(int station) { pending_[size_t(station)] = 0; }

private:
    int pointLimit_ = 0;
    int targetLimit_ = 0;
    std::vector<uint16_t> stationOf_;
    std::vector<int> aimStart_;  // by point: first slot in aiming_, one extra entry at the end
    std::vector<uint16_t> aiming_;
    std::vector<char> pending_;
};

}  // namespace quenvar
