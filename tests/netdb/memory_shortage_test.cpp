// When the network storage cannot be had, the library reports it and carries on with an empty
// database instead of ending its host; the next call works again.
#include <gtest/gtest.h>

#include <string>

#include "frame/library_state.h"
#include "netdb/database_file.h"
#include "netdb/network.h"
#include "quenvar.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

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
