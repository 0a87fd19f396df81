// Walks the observation chain of one station (PointRec.firstObs, then ObsRec.next) in chain
// order. The walk stops at an index beyond the array and after as many steps as the array
// has records, so a damaged chain can neither leave the array nor loop for ever.
#pragma once

#include <algorithm>
#include <cstddef>

#include "netdb/network.h"

namespace quenvar {

// Points 1..n that both the count and the array hold.
inline int PointsInStorage(const Network& net) {
    return std::clamp(int(net.hdr.pointCount), 0, std::max(net.PointCapacity() - 1, 0));
}

// Calls visit(index) for every observation of the station's chain; visit returns false to
// stop early.
template <typename Visit>
void WalkChain(const Network& net, int station, Visit visit) {
    if (station < 0 || station >= net.PointCapacity()) return;
    size_t steps = 0;
    for (int o = net.Point(station).firstObs; o != 0 && o < net.ObsCapacity(); o = net.Obs(o).next) {
        if (++steps > net.obs.size() || !visit(o)) return;
    }
}

}  // namespace quenvar
