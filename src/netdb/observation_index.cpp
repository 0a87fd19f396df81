#include "netdb/observation_index.h"

#include <algorithm>

namespace quenvar {

namespace {

int ObservationLimit(const Network& net) { return std::min<int>(net.hdr.obsCount, net.ObsCapacity() - 1); }

int PointLimitOf(const Network& net) { return std::clamp<int>(net.hdr.pointCount, 0, net.PointCapacity() - 1); }

int TargetLimitOf(const Network& net) {
    return std::max(std::min<int>(net.PointCapacity(), int(net.stations.size())) - 1, 0);
}

}  // namespace

ObservationIndex::ObservationIndex(const Network& net) : pointLimit_(PointLimitOf(net)), targetLimit_(TargetLimitOf(net)) {
    const int lastObs = ObservationLimit(net);
    stationOf_.assign(size_t(std::max(lastObs, 0)) + 1, 0);
    // A chain that runs into an observation already placed is damaged: it ends there.
    for (int p = 1; p <= pointLimit_; ++p)
        for (int o = net.Point(p).firstObs; o != 0 && o <= lastObs && stationOf_[size_t(o)] == 0; o = net.Obs(o).next)
            stationOf_[size_t(o)] = uint16_t(p);

    aimStart_.assign(size_t(targetLimit_) + 2, 0);
    for (int o = 1; o <= lastObs; ++o) {
        const int t = net.Obs(o).target;
        if (t <= targetLimit_) ++aimStart_[size_t(t) + 1];
    }
    for (size_t i = 1; i < aimStart_.size(); ++i) aimStart_[i] += aimStart_[i - 1];
    aiming_.resize(size_t(aimStart_.back()));
    std::vector<int> fill(aimStart_.begin(), aimStart_.end() - 1);
    for (int o = 1; o <= lastObs; ++o) {
        const int t = net.Obs(o).target;
        if (t <= targetLimit_) aiming_[size_t(fill[size_t(t)]++)] = uint16_t(o);
    }
}

int ObservationIndex::StationOf(int obs) const {
    return obs >= 1 && size_t(obs) < stationOf_.size() ? stationOf_[size_t(obs)] : 0;
}

std::span<const uint16_t> ObservationIndex::Aiming(int point) const {
    if (point < 0 || point > targetLimit_) return {};
    const auto begin = size_t(aimStart_[size_t(point)]);
    const auto end = size_t(aimStart_[size_t(point) + 1]);
    return std::span<const uint16_t>(aiming_).subspan(begin, end - begin);
}

}  // namespace quenvar
