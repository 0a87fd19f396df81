#include "netdb/network.h"

#include <cstdlib>
#include <new>

#include "ui/messenger.h"

namespace quenvar {

namespace {

// Allocation failure of the network arrays ends the host process, as the host expects.
[[noreturn]] void OutOfMemory(Messenger& ui, const char* text, int exitCode) {
    ShowMessage(ui, text, 0, MsgInfo);
    std::exit(exitCode);
}

constexpr const char* NoMemoryText = "数据库无内存可用";
constexpr const char* TooLargeText = "控制网太大, 无足够内存，将返回WINDOWS";

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

void AllocateDatabase(Network& net, Messenger& ui, bool reset) {
    FreeDatabase(net);
    if (reset) ResetHeader(net.hdr);
    if (net.hdr.closureLimitFactor == 0.0f) net.hdr.closureLimitFactor = 3.0f;
    net.hdr.capacityStep = 2;
    const size_t units = size_t(net.hdr.capacityStep) + 1;
    try {
        net.obs.assign(units * ObsPerUnit, ObsRec{});
        net.points.assign(units * PointsPerUnit, PointRec{});
        net.stations.assign(units * PointsPerUnit, StationRec{});
        net.ellipses.assign(size_t(net.hdr.ellipseCount) + 1, EllipseRec{});
    } catch (const std::bad_alloc&) {
        OutOfMemory(ui, NoMemoryText, 11);
    }
}

void GrowDatabase(Network& net, Messenger& ui) {
    net.hdr.capacityStep += 1;
    const size_t units = size_t(net.hdr.capacityStep) + 1;
    net.ellipses = {};
    net.hdr.ellipseCount = 0;
    // resize zero-fills the added records.
    try {
        net.obs.resize(units * ObsPerUnit, ObsRec{});
        net.points.resize(units * PointsPerUnit, PointRec{});
        net.stations.resize(units * PointsPerUnit, StationRec{});
    } catch (const std::bad_alloc&) {
        OutOfMemory(ui, TooLargeText, 1);
    }
}

int AddObservation(Network& net, Messenger& ui, int station, int lastOfChain) {
    NetHeader& hdr = net.hdr;
    if ((int(hdr.capacityStep) + 1) * PointsPerUnit >= 4096) {
        ShowMessage(ui, "no enough space", 0, MsgInfo);
        return 0;
    }
    if (hdr.obsCount >= int(hdr.capacityStep) * ObsPerUnit + 4092) GrowDatabase(net, ui);
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
