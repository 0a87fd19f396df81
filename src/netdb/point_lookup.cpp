#include "netdb/point_lookup.h"

#include <cstdio>
#include <cstring>

#include "netdb/chain.h"

namespace quenvar {

namespace {

// The name token of a line: up to 6 characters, or false when the line names no point.
bool NameToken(const char* text, char (&token)[7]) {
    if (std::strncmp(text, "      ", 6) == 0) return false;
    return std::sscanf(text, "%6s", token) == 1;
}

}  // namespace

std::string PointName(const PointRec& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

int FindPoint(const Network& net, const char* text) {
    char token[7];
    if (!NameToken(text, token)) return 0;
    const int count = PointsInStorage(net);
    for (int i = 1; i <= count; ++i) {
        if (std::strncmp(token, net.Point(i).name, 6) == 0) return i;
    }
    return net.hdr.pointCount + 1;
}

void PointLookup::Sync() {
    const int count = PointsInStorage(net_);
    if (count < indexed_) {  // the network was replaced
        first_.clear();
        indexed_ = 0;
    }
    for (int i = indexed_ + 1; i <= count; ++i) first_.try_emplace(PointName(net_.Point(i)), i);
    indexed_ = count;
}

int PointLookup::Find(const char* text) {
    char token[7];
    if (!NameToken(text, token)) return 0;
    Sync();
    const auto it = first_.find(token);
    return it != first_.end() ? it->second : net_.hdr.pointCount + 1;
}

}  // namespace quenvar
