#include "netdb/network.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::RecordingMessenger;

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
    testing::NetworkBuilder b(net);
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
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"no enough space"});
}

}  // namespace
}  // namespace quenvar
