// The network storage: header reset, allocation and growth, the observation chains and their
// index, and the limits of the storage handled on purpose (beyond them the library keeps
// working or refuses with a message, and nothing already read is lost).
#include "netdb/network.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "frame/library_state.h"
#include "netdb/database_file.h"
#include "netdb/observation_index.h"
#include "quenvar.h"
#include "report/report_lines.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

TEST(NetworkStorage, ResetAllocateAndFree) {
    Network net;
    RecordingMessenger ui;
    std::memset(&net.hdr, 0xAB, sizeof net.hdr);
    ResetHeader(net.hdr);
    NetHeader expected{};
    expected.optionFlags = 0x0100;
    expected.homeFirst = expected.homeWord22 = expected.curWord32 = 1;
    expected.currentStation = expected.currentObs = expected.reserved42 = 1;
    EXPECT_EQ(std::memcmp(&net.hdr, &expected, sizeof expected), 0);

    net.hdr.closureLimitFactor = 2.5f;  // as read from a file
    net.hdr.ellipseCount = 4;
    AllocateDatabase(net, ui, false);
    EXPECT_TRUE(net.hdr.closureLimitFactor == 2.5f && net.ellipses.size() == 5u);
    AllocateDatabase(net, ui, true);
    EXPECT_TRUE(net.hdr.closureLimitFactor == 3.0f && net.hdr.capacityStep == 2);
    EXPECT_EQ(net.PointCapacity() + net.stations.size() + net.ObsCapacity() + net.ellipses.size(), 18433u);
    net.weightTable.assign(4, 1.0f);
    FreeDatabase(net);
    FreeDatabase(net);
    EXPECT_EQ(net.points.size() + net.obs.size() + net.stations.size() + net.ellipses.size() + net.weightTable.size(), 0u);
}

TEST(AddObservation, LinksBehindTheLastRecordOfTheChain) {
    Network net;
    NetworkBuilder b(net);
    const int a = b.Point("A", 1, 1), c = b.Point("C", 2, 2);
    const int o1 = AddObservation(net, b.ui(), a);
    const int o2 = AddObservation(net, b.ui(), c);
    const int o3 = AddObservation(net, b.ui(), a);
    // A known last record starts the walk there; one that does not end the chain is not taken.
    const int o4 = AddObservation(net, b.ui(), a, o3);
    const int o5 = AddObservation(net, b.ui(), a, o1);
    EXPECT_TRUE(net.Point(a).firstObs == o1 && net.Point(c).firstObs == o2);
    EXPECT_TRUE(net.Obs(o1).next == o3 && net.Obs(o3).next == o4 && net.Obs(o4).next == o5);
    EXPECT_EQ(net.Obs(o5).next + net.Obs(o2).next, 0);
    EXPECT_EQ(net.hdr.currentStationObsCount, 4);  // A is the current station
}

TEST(AddObservation, GrowsOnceAtTheBoundaryThenRefuses) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    net.hdr.pointCount = 1;
    net.hdr.obsCount = 2 * 4096 + 4092;
    net.hdr.ellipseCount = 1;
    net.Station(3000).orientation = 1.0;
    EXPECT_EQ(AddObservation(net, ui, 1), 12285);
    EXPECT_EQ(net.hdr.capacityStep, 3);
    EXPECT_EQ(net.PointCapacity() + net.stations.size() + net.ObsCapacity(), 24576u);
    EXPECT_TRUE(net.ellipses.empty() && net.hdr.ellipseCount == 0);
    EXPECT_EQ(+net.Station(3000).orientation, 1.0);  // contents kept, the added part zero
    for (int i = 3072; i < 4096; ++i) ASSERT_EQ(net.Point(i).flags | net.Station(i).fixRef, 0);
    for (int i = 12286; i < 16384; ++i) ASSERT_EQ(net.Obs(i).code | net.Obs(i).next, 0);
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_EQ(AddObservation(net, ui, 1), 0);
    EXPECT_EQ(net.hdr.obsCount, 12285);
    EXPECT_EQ(ui.Texts(), Strings{"no enough space"});
}

std::vector<int> Aimed(const ObservationIndex& index, int point) {
    const auto span = index.Aiming(point);
    return {span.begin(), span.end()};
}

TEST(ObservationIndex, StationsAndAimingListsFollowTheChains) {
    Network net;
    NetworkBuilder b(net);
    const int a = b.Point("A", 0, 0), c = b.Point("C", 10, 0), d = b.Point("D", 0, 10);
    const int o1 = b.Obs(a, c, KindDirection, 0.0);
    const int o2 = b.Obs(c, d, KindDirection, 0.0);
    const int o3 = b.Obs(a, d, KindDistance, 10.0);
    const int o4 = b.Obs(d, c, KindDistance, 14.1);
    const ObservationIndex index(net);

    EXPECT_EQ(index.PointLimit(), 3);
    const std::vector<int> stations{index.StationOf(o1), index.StationOf(o2), index.StationOf(o3),
                                    index.StationOf(o4), index.StationOf(0),  index.StationOf(999)};
    EXPECT_EQ(stations, (std::vector<int>{a, c, a, d, 0, 0}));
    EXPECT_EQ(Aimed(index, c), (std::vector<int>{o1, o4}));
    EXPECT_EQ(Aimed(index, d), (std::vector<int>{o2, o3}));
    EXPECT_TRUE(Aimed(index, a).empty() && Aimed(index, -1).empty() && Aimed(index, index.TargetLimit() + 1).empty());

    // A damaged chain that would loop for ever ends where it meets a placed observation.
    net.Obs(o3).next = uint16_t(o1);
    net.Point(c).firstObs = uint16_t(o3);
    const ObservationIndex looped(net);
    EXPECT_TRUE(looped.StationOf(o1) == a && looped.StationOf(o3) == a);
}

constexpr const char* TooManyPoints = "点数超过4095, 不能计算!";

// The precision records and the locus fields name points in 12 bits: a network with a point
// index beyond 4,095 is kept, saved and loaded whole, but not computed.
TEST(CapacityLimits, PointsBeyondTwelveBitsAreKeptButNotComputed) {
    TempDir dir;
    std::string text = "many <<\n";
    for (int i = 1; i <= 4100; ++i) text += "P" + std::to_string(i) + " 10 " + std::to_string(1000 + i) + " 500 1\n";
    text += "<<\nP1 P2 d 1\nP4100 P4099 d 1\n";
    WriteAll(dir.File("many.txt"), text);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("many.txt").c_str()), 2);
    EXPECT_EQ(net.hdr.pointCount, 4100);
    EXPECT_EQ(ui.Texts(), Strings(2, "no enough space"));  // growth at point 3068 ends the observations
    ui.messages.clear();
    EXPECT_EQ(Calculate(net, ui), 0);
    ReportBuffers reports;
    EXPECT_EQ(AdjustNetwork(net, ui, reports, MethodIteration, 2), 0);
    EXPECT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 2), ResultPreprocessing);
    EXPECT_EQ(ui.Texts(), Strings(2, TooManyPoints));
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("many.db").c_str(), 0), 2);
    Network back;
    ASSERT_EQ(LoadDatabase(back, ui, dir.File("many.db").c_str()), 2);
    EXPECT_TRUE(back.hdr.pointCount == 4100 && back.Point(4100).x == 5100.0);
}

// A database file with the largest counts its 16-bit fields hold loads into storage of that
// size; no observation can be added to it and it is not computed.
TEST(CapacityLimits, LargestSixteenBitCountsLoad) {
    TempDir dir;
    NetHeader h{};
    ResetHeader(h);
    h.pointCount = 32767;
    h.obsCount = 65535;
    std::string bytes = "^" + std::string(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.resize(1 + sizeof h + 32768 * sizeof(PointRec) + 65536 * sizeof(ObsRec), '\0');
    WriteAll(dir.File("huge.db"), bytes);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("huge.db").c_str()), 2);
    EXPECT_TRUE(net.PointCapacity() > 32767 && net.ObsCapacity() > 65535);
    EXPECT_EQ(AddObservation(net, ui, 1), 0);
    EXPECT_EQ(Calculate(net, ui), 0);
    EXPECT_EQ(ui.Texts(), (Strings{"no enough space", TooManyPoints}));
    EXPECT_EQ(net.hdr.obsCount, 65535);
}

// When the network storage cannot be had, the library reports it and carries on with an empty
// database instead of ending its host; the next call works again.
constexpr const char* NoMemory = "数据库无内存可用";
constexpr const char* TooLarge = "控制网太大, 无足够内存，将返回WINDOWS";

// The number of array allocations still granted; the following ones fail.
int granted = 0;
bool Grant(size_t) { return granted-- > 0; }

bool EmptyAndAbsent(const Network& net) {
    NetHeader reset{};
    ResetHeader(reset);
    return !net.Present() && net.obs.empty() && net.stations.empty() && net.ellipses.empty() &&
           std::memcmp(&net.hdr, &reset, sizeof reset) == 0;
}

TEST(MemoryShortage, AllocationFailsAtEachArrayAndLeavesAnEmptyDatabase) {
    for (int k = 0; k < 4; ++k) {  // observations, points, stations, ellipses
        Network net;
        NetworkBuilder b(net);
        b.Point("A", 1, 2);
        net.allocationAllowed = Grant;
        granted = k;
        RecordingMessenger ui;
        EXPECT_FALSE(AllocateDatabase(net, ui, false)) << k;
        EXPECT_TRUE(EmptyAndAbsent(net)) << k;
        EXPECT_EQ(ui.Texts(), Strings{NoMemory});
        granted = 4;
        EXPECT_TRUE(AllocateDatabase(net, ui, true) && net.PointCapacity() == 3072);
    }
}

TEST(MemoryShortage, GrowthFailureKeepsTheNetworkAndRefusesTheObservation) {
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 1, 2);
    net.hdr.obsCount = 2 * 4096 + 4092;
    net.hdr.ellipseCount = 1;
    RecordingMessenger ui;
    for (int k = 0; k < 3; ++k) {  // observations, points, stations
        net.allocationAllowed = Grant;
        granted = k;
        EXPECT_EQ(AddObservation(net, ui, 1), 0) << k;
        EXPECT_TRUE(net.hdr.obsCount == 12284 && net.hdr.capacityStep == 2 && net.ObsCapacity() == 12288 &&
                    net.PointCapacity() == 3072 && net.stations.size() == 3072u && net.hdr.ellipseCount == 1 && !net.ellipses.empty())
            << k;
    }
    EXPECT_EQ(ui.Texts(), Strings(3, TooLarge));
    net.allocationAllowed = nullptr;
    EXPECT_EQ(AddObservation(net, ui, 1), 12285);
}

TEST(MemoryShortage, LoadingFailsWithAnEmptyDatabaseAndTheNextLoadWorks) {
    TempDir dir;
    std::string many = "many <<\n";
    for (int i = 1; i <= 3100; ++i) many += "P" + std::to_string(i) + " 10 1 1 1\n";
    WriteAll(dir.File("many.txt"), many);
    WriteAll(dir.File("two.txt"), "two <<\nA 10 1 1 1\nB 00\n<<\nA B d 10\n");
    Network net;
    RecordingMessenger ui;
    // A text file whose points need growth, and the same network as a binary file that needs
    // more than a fresh storage.
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("many.txt").c_str()), 2);
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("many.db").c_str(), 0), 2);
    const struct {
        const char* file;
        int grant;
        Strings messages;
    } cases[] = {{"two.txt", 0, {NoMemory}}, {"many.txt", 4, {TooLarge}}, {"many.db", 0, {NoMemory}},
                 {"many.db", 4, {NoMemory}}};
    for (const auto& c : cases) {
        ui.messages.clear();
        net.allocationAllowed = Grant;
        granted = c.grant;
        EXPECT_EQ(LoadDatabase(net, ui, dir.File(c.file).c_str()), 1) << c.file;
        EXPECT_TRUE(EmptyAndAbsent(net)) << c.file;
        EXPECT_EQ(ui.Texts(), c.messages) << c.file;
        net.allocationAllowed = nullptr;
        ASSERT_EQ(LoadDatabase(net, ui, dir.File(c.file).c_str()), 2) << c.file;
    }
}

// Through the entry points: the load returns its failure value, and every further entry works
// on the empty database without a crash until a load succeeds.
TEST(MemoryShortage, EntryPointsCarryOnAfterAFailedLoad) {
    TempDir dir;
    WriteAll(dir.File("two.txt"), "two <<\nA 10 1 1 1\nB 10 5 5 1\n<<\nA B d 5.657\n");
    Network& net = Library().net;
    net.allocationAllowed = Grant;
    granted = 1;
    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    EXPECT_EQ(zrLoadData(dir.File("two.txt").c_str()), 0);
    EXPECT_TRUE(EmptyAndAbsent(net));
    EXPECT_EQ(zrXYCalculate() + zrHCalculate() + zrXYAdjustment(1, 3) + zrHAdjustment(0, 1), 0);
    EXPECT_EQ(zrSaveData(dir.File("empty.db").c_str(), 0), 0);
    zrReportOnNetwork(dir.File("network.txt").c_str());
    net.allocationAllowed = nullptr;
    EXPECT_EQ(zrLoadData(dir.File("two.txt").c_str()), 1);
    EXPECT_EQ(net.hdr.pointCount, 2);
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
