// Reader of the text observation format: a title line with "<<", a point section, a line
// with "<<", then stations in the first column each followed by their observations, further
// observations of the same station on indented lines. Angles are d.mmss in the file and
// radians in the database.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "netdb/network.h"
#include "netdb/point_lookup.h"

namespace quenvar {

class Messenger;

// Most points the 16-bit point count can hold; a line naming a further new point is refused.
inline constexpr int MaxPoints = 32767;

// Index of the letter in the kind table, or the header's defaultObsKind when it is not there.
int KindIndex(const NetHeader& hdr, char letter);
// Observation class of a class character: '1'-'4', 'm'/'M' 5, 'a'/'A' 6, '7'; others 0.
int ClassOfCharacter(char c);
// 0 when the observation's value (radians or metres) is plausible for its kind, 1 when not.
int CheckObservation(const ObsRec& obs);

// Parses single lines into one network, creating points by name as they are met.
class NetworkLineParser {
public:
    NetworkLineParser(Network& net, Messenger& ui) : net_(net), ui_(ui), lookup_(net) {}

    // mode 0: point line "name classes X Y H"; 1: station line (sets the current station);
    // 2: observation "target kind+class value" of the current station.
    // -1 when the text names no point, -2 when the observation could not be appended,
    // -3 when the point table is full, -4 when it could not grow for lack of memory, 1
    // otherwise.
    int ParseNetworkLine(int mode, const char* text);
    // true once the point table could not grow; the network is incomplete then.
    bool OutOfMemory() const { return outOfMemory_; }

private:
    void ParsePoint(int i, const char* text);
    void ParseObservation(int n, int target, const char* text);
    void AddPrecedingDirection(int n, int station);
    int AppendObservation(int station);

    Network& net_;
    Messenger& ui_;
    PointLookup lookup_;
    bool fullShown_ = false;
    bool outOfMemory_ = false;
    std::vector<uint16_t> tails_;  // last observation this parser appended, by station
};

// Reads a text network file into an allocated, reset database. 2 when read, 0 when the file
// cannot be opened or its first line is not a title line (nothing changed then), 1 when the
// storage could not be had or grown (the memory message has been shown; the network is
// incomplete).
int ReadTextNetwork(Network& net, Messenger& ui, const std::string& path);
// The same from text in memory.
int ReadTextNetworkFromString(Network& net, Messenger& ui, std::string_view text);

}  // namespace quenvar
