// Tables one adjustment works with beside the network database: the numbering of the unknowns
// by point, and accessors of the weight table that the database keeps afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "netdb/network.h"

namespace quenvar {

// One entry per point index (0 unused): -1 the point takes no part, 0 a fixed point, k >= 1
// the k-th unknown point. Height network: unknown k; plane network: unknowns 2k-1 (X), 2k (Y).
using UnknownMap = std::vector<int16_t>;

// The entry of point j; -1 also for an index outside the table (a damaged target index).
inline int MapOf(const UnknownMap& map, int j) {
    return j > 0 && size_t(j) < map.size() ? map[size_t(j)] : -1;
}

inline bool PlaneNetwork(const Network& net) { return net.hdr.heightMode == 0; }

// Weight p of observation o (first half of the weight table).
inline float& WeightOf(Network& net, int o) { return net.weightTable[size_t(o)]; }
inline float WeightOf(const Network& net, int o) { return net.weightTable[size_t(o)]; }
// Cofactor of the adjusted observation o (second half of the weight table).
inline float& CofactorOf(Network& net, int o) {
    return net.weightTable[size_t(net.hdr.obsCount) + 1 + size_t(o)];
}
inline float CofactorOf(const Network& net, int o) {
    return net.weightTable[size_t(net.hdr.obsCount) + 1 + size_t(o)];
}

// The a-priori unit-weight error of the current network kind (radians or metres).
inline float PriorSigma(const Network& net) {
    if (PlaneNetwork(net)) return net.hdr.dirSigma;
    return net.hdr.levelSigma;
}
// The a-posteriori unit-weight error of the current network kind.
inline void SetPosteriorSigma(Network& net, float s) {
    if (PlaneNetwork(net)) {
        net.hdr.planeSigma0 = s;
    } else {
        net.hdr.heightSigma0 = s;
    }
}
inline float PosteriorSigma(const Network& net) {
    if (PlaneNetwork(net)) return net.hdr.planeSigma0;
    return net.hdr.heightSigma0;
}

// The observation takes part in the adjustment of the current network kind: kinds 0, 1, 4
// (plane) or 6, 12 (height) of class 0, 1 or 4.
bool Usable(const Network& net, const ObsRec& o);
// A usable observation of the station before o in its list aims at o's target, or (target
// numbered below the station) any usable observation of the target aims at the station.
bool PairAlreadyDone(const Network& net, int station, int o);

}  // namespace quenvar
