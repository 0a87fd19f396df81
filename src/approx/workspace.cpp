#include "approx/workspace.h"

#include <algorithm>

namespace quenvar {

namespace {

int ObservationLimit(const Network& net) { return std::min<int>(net.hdr.obsCount, net.ObsCapacity() - 1); }

int PointLimitOf(const Network& net) { return std::clamp<int>(net.hdr.pointCount, 0, net.PointCapacity() - 1); }

}  // namespace

void CutBrokenChains(Network& net) {
    const int lastObs = ObservationLimit(net);
    const int lastPoint = std::max(PointLimitOf(net), std::clamp<int>(net.hdr.lastPoint, 0, net.PointCapacity() - 1));
    std::vector<char> seen(size_t(std::max(lastObs, 0)) + 1, 0);
    for (int p = 1; p <= lastPoint; ++p) {
        uint16_t* link = &net.Point(p).firstObs;
        while (*link != 0) {
            if (*link > lastObs || seen[*link]) {
                *link = 0;
                break;
            }
            seen[*link] = 1;
            link = &net.Obs(*link).next;
        }
    }
}

Workspace::Workspace(Network& n) : ObservationIndex(n), net(n) {
    pending_.assign(size_t(PointLimit()) + 1, 1);
    pending_[0] = 0;
}

void Workspace::Touch(int point) {
    if (point >= 1 && point <= PointLimit()) pending_[size_t(point)] = 1;
    for (const uint16_t o : Aiming(point)) pending_[size_t(StationOf(o))] = 1;
    pending_[0] = 0;
}

void Workspace::TouchObservation(int obs) {
    const int s = StationOf(obs);
    if (s != 0) pending_[size_t(s)] = 1;
}

}  // namespace quenvar
