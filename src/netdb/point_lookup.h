// Point-name lookup of the readers: a token of up to 6 characters is compared over 6
// characters with the stored names, and the first equal point in index order is found.
#pragma once

#include <string>
#include <unordered_map>

#include "netdb/network.h"

namespace quenvar {

// 0 when the first 6 characters of text are blanks or text holds no name; otherwise the
// first point 1..pointCount whose name equals the text's first token (up to 6 characters),
// or pointCount + 1 when none does. Creates nothing.
int FindPoint(const Network& net, const char* text);

// The same look-up through a hash index of the names, for readers that look up every line.
// Points added at the end are indexed on the next look-up; names must not change meanwhile.
class PointLookup {
public:
    explicit PointLookup(const Network& net) : net_(net) {}
    int Find(const char* text);

private:
    void Sync();

    const Network& net_;
    std::unordered_map<std::string, int> first_;  // name -> lowest index with that name
    int indexed_ = 0;                             // points 1..indexed_ are in first_
};

// The stored name as a string: up to its NUL, at most the 6 bytes of the field.
std::string PointName(const PointRec& p);

}  // namespace quenvar
