// The network database: one header, the point, observation, station and precision record
// arrays, and the adjustment's weight table. An empty vector is an absent array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "netdb/records.h"

namespace quenvar {

class Messenger;

inline constexpr int PointsPerUnit = 1024;
inline constexpr int ObsPerUnit = 4096;
// The largest point index the 12-bit point fields of the station records (locus references)
// and the precision records can hold; computations refuse networks with more points.
inline constexpr int MaxComputedPoint = 4095;

// Asked before an allocation with its size in bytes; false refuses it.
using AllocationGate = bool (*)(size_t bytes);

// Whether the gate lets an allocation of the given bytes go ahead (a null gate always does).
inline bool AllocationAllowed(AllocationGate gate, size_t bytes) { return gate == nullptr || gate(bytes); }

struct Network {
    NetHeader hdr{};
    std::vector<PointRec> points;      // 0 is no point; 1..pointCount
    std::vector<ObsRec> obs;           // 0 is no observation; 1..obsCount
    std::vector<StationRec> stations;  // one per point index; 0 is the calculation's scratch
    std::vector<EllipseRec> ellipses;  // 0..ellipseCount, record 0 the maxima
    // Adjustment results: 2 x (obsCount + 1) weights then adjusted-observation cofactors,
    // 4-byte floats by observation index.
    std::vector<float> weightTable;
    // Asked before the storage is allocated or enlarged, and before the adjustment allocates
    // its normal equations, their inverse and the matrices of the design analysis, with the
    // bytes of one array; false makes that allocation fail as when memory runs out. Null
    // allows everything.
    AllocationGate allocationAllowed = nullptr;

    bool Present() const { return !points.empty(); }
    int PointCapacity() const { return int(points.size()); }
    int ObsCapacity() const { return int(obs.size()); }

    PointRec& Point(int i) { return points[size_t(i)]; }
    const PointRec& Point(int i) const { return points[size_t(i)]; }
    ObsRec& Obs(int i) { return obs[size_t(i)]; }
    const ObsRec& Obs(int i) const { return obs[size_t(i)]; }
    StationRec& Station(int i) { return stations[size_t(i)]; }
    const StationRec& Station(int i) const { return stations[size_t(i)]; }
};

// Releases every array; harmless when they are already absent.
void FreeDatabase(Network& net);
// Sets every header field to its reset value.
void ResetHeader(NetHeader& hdr);
// Frees the storage, resets the header when asked, and allocates zero-filled arrays of
// (capacityStep + 1) units with capacityStep = 2. When the memory cannot be had it shows a
// message, leaves the storage absent with a reset header and returns false.
bool AllocateDatabase(Network& net, Messenger& ui, bool reset);
// Shows the out-of-memory message of the database and leaves it absent with a reset header.
void GiveUpForMemory(Network& net, Messenger& ui);
// Enlarges the point, station and observation arrays to capacityStep + 1 units, keeping their
// records; false (nothing changed) when the memory cannot be had.
bool EnlargeStorage(Network& net, int capacityStep);
// Enlarges every array by one unit and drops the precision records. When the memory cannot
// be had it shows a message and returns false with the network unchanged.
bool GrowDatabase(Network& net, Messenger& ui);
// Appends an empty observation to station's chain; its index, or 0 when there is no space.
// A caller that knows the last record of the station's chain passes it as lastOfChain, so the
// chain is not walked from its head; a record that does not end a chain is not taken.
int AddObservation(Network& net, Messenger& ui, int station, int lastOfChain = 0);

}  // namespace quenvar
