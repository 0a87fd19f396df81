#include "netdb/network.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr const char* NoMemoryText = "数据库无内存可用";
constexpr const char* TooLargeText = "控制网太大, 无足够内存，将返回WINDOWS";

// Sets the array to count records, keeping its contents and zero-filling the rest; false when
// the memory cannot be had (the array is unchanged then).
template <typename Rec>
bool Resize(const Network& net, std::vector<Rec>& records, size_t count) {
    if (!AllocationAllowed(net.allocationAllowed, count * sizeof(Rec))) return false;
    try {
        records.resize(count, Rec{});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace

void FreeDatabase(Network& net) {
    net.points = {};
    net.obs = {};
    net.stations = {};
    net.ellipses = {};
    net.weightTable = {};
}

void ResetHeader(NetHeader& hdr) {
    hdr = NetHeader{};
    hdr.homeFirst = 1;
    hdr.homeWord22 = 1;
    hdr.currentObs = 1;
    hdr.reserved42 = 1;
    hdr.lastPoint = hdr.pointCount;
    hdr.curWord30 = hdr.homeWord20;
    hdr.curWord32 = hdr.homeWord22;
    hdr.curWord34 = hdr.homeWord24;
    hdr.currentStation = hdr.homeFirst;
    hdr.optionFlags = uint16_t((hdr.optionFlags | 0x0100) & ~0x0200);
}

bool AllocateDatabase(Network& net, Messenger& ui, bool reset) {
    FreeDatabase(net);
    if (reset) ResetHeader(net.hdr);
    if (net.hdr.closureLimitFactor == 0.0f) net.hdr.closureLimitFactor = 3.0f;
    net.hdr.capacityStep = 2;
    const size_t units = size_t(net.hdr.capacityStep) + 1;
    if (Resize(net, net.obs, units * ObsPerUnit) && Resize(net, net.points, units * PointsPerUnit) &&
        Resize(net, net.stations, units * PointsPerUnit) &&
        Resize(net, net.ellipses, size_t(net.hdr.ellipseCount) + 1)) {
        return true;
    }
    GiveUpForMemory(net, ui);
    return false;
}

void GiveUpForMemory(Network& net, Messenger& ui) {
    // The library lives in its host's process: it reports the failure and leaves an empty
    // database behind instead of ending the process.
    ShowMessage(ui, NoMemoryText, 0, MsgInfo);
    FreeDatabase(net);
    ResetHeader(net.hdr);
}

bool EnlargeStorage(Network& net, int capacityStep) {
    const size_t units = size_t(capacityStep) + 1;
    const size_t obs = net.obs.size(), points = net.points.size();
    if (Resize(net, net.obs, std::max(obs, units * ObsPerUnit)) &&
        Resize(net, net.points, std::max(points, units * PointsPerUnit)) &&
        Resize(net, net.stations, std::max(points, units * PointsPerUnit))) {
        net.hdr.capacityStep = uint16_t(capacityStep);
        return true;
    }
    net.obs.resize(obs);
    net.points.resize(points);
    net.stations.resize(points);
    return false;
}

bool GrowDatabase(Network& net, Messenger& ui) {
    if (!EnlargeStorage(net, net.hdr.capacityStep + 1)) {
        ShowMessage(ui, TooLargeText, 0, MsgInfo);
        return false;
    }
    net.ellipses = {};  // precision results are lost on growth
    net.hdr.ellipseCount = 0;
    return true;
}

int AddObservation(Network& net, Messenger& ui, int station, int lastOfChain) {
    NetHeader& hdr = net.hdr;
    if ((int(hdr.capacityStep) + 1) * PointsPerUnit >= 4096) {
        ShowMessage(ui, "no enough space", 0, MsgInfo);
        return 0;
    }
    if (hdr.obsCount >= int(hdr.capacityStep) * ObsPerUnit + 4092 && !GrowDatabase(net, ui)) return 0;
    hdr.obsCount += 1;
    const int n = hdr.obsCount;
    PointRec& s = net.Point(station);
    if (s.firstObs == 0) {
        s.firstObs = uint16_t(n);
    } else {
        const bool endsChain = lastOfChain > 0 && lastOfChain < n && net.Obs(lastOfChain).next == 0;
        int last = endsChain ? lastOfChain : s.firstObs;
        while (net.Obs(last).next != 0) last = net.Obs(last).next;
        net.Obs(last).next = uint16_t(n);
    }
    net.Obs(n).next = 0;
    if (station == hdr.currentStation) hdr.currentStationObsCount += 1;
    return n;
}

}  // namespace quenvar
