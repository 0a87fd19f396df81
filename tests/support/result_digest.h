// A digest of every byte a calculation or an adjustment can change: header, point,
// observation and station records, precision records and weight table. Two networks with the
// same digest hold the same results to the last bit.
#pragma once

#include <cstdint>
#include <cstring>

#include "netdb/network.h"

namespace quenvar::testing {

inline void DigestBytes(uint64_t& h, const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t k = 0; k < size; ++k) h = (h ^ p[k]) * 0x100000001B3ull;  // FNV-1a
}

inline uint64_t ResultDigest(const Network& net) {
    uint64_t h = 0xCBF29CE484222325ull;
    const size_t points = size_t(net.hdr.pointCount) + 1, obs = size_t(net.hdr.obsCount) + 1;
    DigestBytes(h, &net.hdr, sizeof net.hdr);
    DigestBytes(h, net.points.data(), points * sizeof(PointRec));
    DigestBytes(h, net.obs.data(), obs * sizeof(ObsRec));
    DigestBytes(h, net.stations.data(), points * sizeof(StationRec));
    DigestBytes(h, net.ellipses.data(), net.ellipses.size() * sizeof(EllipseRec));
    DigestBytes(h, net.weightTable.data(), net.weightTable.size() * sizeof(float));
    return h;
}

}  // namespace quenvar::testing
