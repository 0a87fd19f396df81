// Small text helpers of the table reports: printf formatting into a string and the name of a
// point by its index.
#pragma once

#include <cstdio>
#include <string>

#include "netdb/network.h"
#include "netdb/point_lookup.h"

namespace quenvar {

// The values printed with a printf format; one table field or line, at most 255 bytes.
template <typename... Values>
std::string Printed(const char* format, Values... values) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, values...);
    return buf;
}

// The name of point index, or an empty name for an index that names no point.
inline std::string NameOfPoint(const Network& net, int index) {
    if (index < 1 || index > net.hdr.pointCount || index >= net.PointCapacity()) return std::string();
    return PointName(net.Point(index));
}

}  // namespace quenvar
