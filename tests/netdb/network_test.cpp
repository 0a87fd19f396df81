#include "netdb/network.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/network_builder.h"
#include "tests/support/recording_messenger.h"

namespace quenvar {
namespace {

using testing::RecordingMessenger;

TEST(ResetHeader, SetsOnesWhereTheResetValuesAreOne) {
    NetHeader h;
    std::memset(&h, 0xAB, sizeof h);
    ResetHeader(h);
    EXPECT_EQ(h.optionFlags, 0x0100);
    EXPECT_EQ(h.homeFirst, 1);
    EXPECT_EQ(h.homeWord22, 1);
    EXPECT_EQ(h.curWord32, 1);
    EXPECT_EQ(h.currentStation, 1);
    EXPECT_EQ(h.currentObs, 1);
    EXPECT_EQ(h.reserved42, 1);
    NetHeader expected{};
    expected.optionFlags = 0x0100;
    expected.homeFirst = expected.homeWord22 = expected.curWord32 = 1;
    expected.currentStation = expected.currentObs = expected.reserved42 = 1;
    EXPECT_EQ(std::memcmp(&h, &expected, sizeof h), 0);
}

TEST(AllocateDatabase, FreshDatabaseHoldsThreeUnits) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    EXPECT_EQ(net.hdr.capacityStep, 2);
    EXPECT_EQ(net.PointCapacity(), 3072);
    EXPECT_EQ(net.stations.size(), 3072u);
    EXPECT_EQ(net.ObsCapacity(), 12288);
    EXPECT_EQ(net.ellipses.size(), 1u);
    EXPECT_FLOAT_EQ(net.hdr.closureLimitFactor, 3.0f);
    EXPECT_EQ(net.Point(0).firstObs, 0);
    EXPECT_EQ(net.Obs(0).code, 0);
}

TEST(AllocateDatabase, KeepsHeaderReadFromFileWhenNotResetting) {
    Network net;
    RecordingMessenger ui;
    net.hdr.closureLimitFactor = 2.5f;
    net.hdr.ellipseCount = 4;
    net.hdr.pointCount = 7;
    AllocateDatabase(net, ui, false);
    EXPECT_FLOAT_EQ(net.hdr.closureLimitFactor, 2.5f);
    EXPECT_EQ(net.hdr.pointCount, 7);
    EXPECT_EQ(net.ellipses.size(), 5u);
}

TEST(AddObservation, LinksBehindTheLastRecordOfTheChain) {
    Network net;
    testing::NetworkBuilder b(net);
    const int a = b.Point("A", 1, 1);
    const int c = b.Point("C", 2, 2);
    const int o1 = AddObservation(net, b.ui(), a);
    const int o2 = AddObservation(net, b.ui(), c);
    const int o3 = AddObservation(net, b.ui(), a);
    EXPECT_EQ(net.Point(a).firstObs, o1);
    EXPECT_EQ(net.Obs(o1).next, o3);
    EXPECT_EQ(net.Obs(o3).next, 0);
    EXPECT_EQ(net.Point(c).firstObs, o2);
    EXPECT_EQ(net.hdr.currentStationObsCount, 2);  // station 1 is the current station
    // A known last record starts the walk there; one that does not end the chain is not taken.
    const int o4 = AddObservation(net, b.ui(), a, o3);
    const int o5 = AddObservation(net, b.ui(), a, o1);
    EXPECT_EQ(net.Obs(o3).next, o4);
    EXPECT_EQ(net.Obs(o4).next, o5);
    EXPECT_EQ(net.Obs(o1).next, o3);
    EXPECT_EQ(net.hdr.currentStationObsCount, 4);
}

TEST(AddObservation, GrowsOnceAtTheBoundaryThenRefuses) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    net.hdr.pointCount = 1;
    net.hdr.obsCount = 2 * 4096 + 4092;
    net.hdr.ellipseCount = 0;
    net.Station(3000).orientation = 1.0;
    EXPECT_EQ(AddObservation(net, ui, 1), 12285);
    EXPECT_EQ(net.hdr.capacityStep, 3);
    EXPECT_EQ(net.PointCapacity(), 4096);
    EXPECT_EQ(net.ObsCapacity(), 16384);
    EXPECT_TRUE(net.ellipses.empty());
    EXPECT_EQ(net.hdr.ellipseCount, 0);
    EXPECT_EQ(net.Station(3000).orientation, 1.0);  // contents kept
    for (int i = 3072; i < 4096; ++i) ASSERT_EQ(net.Point(i).flags | net.Station(i).fixRef, 0);
    for (int i = 12288; i < 16384; ++i) ASSERT_EQ(net.Obs(i).code, 0);
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_EQ(AddObservation(net, ui, 1), 0);
    EXPECT_EQ(net.hdr.obsCount, 12285);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "no enough space");
    EXPECT_EQ(ui.messages[0].caption, "ZOREK Message");
}

TEST(FreeDatabase, TwiceIsHarmless) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    net.weightTable.assign(4, 1.0f);
    FreeDatabase(net);
    FreeDatabase(net);
    EXPECT_FALSE(net.Present());
    EXPECT_TRUE(net.obs.empty() && net.stations.empty() && net.ellipses.empty() && net.weightTable.empty());
}

TEST(RecordBits, FieldsDoNotDisturbEachOther) {
    PointRec p{};
    p.flags = 0x00FF;
    SetPlaneClass(p, 7);
    SetHeightClass(p, 2);
    SetFixState(p, FixDouble);
    EXPECT_EQ(PlaneClass(p), 7);
    EXPECT_EQ(HeightClass(p), 2);
    EXPECT_EQ(FixStateOf(p), 3);
    EXPECT_EQ(p.flags & 0xFF, 0xFF);
    ObsRec o{};
    o.code = MakeCode(KindAngle, ClassSigma);
    SetStateBits(o, 31);
    EXPECT_EQ(KindOf(o), 13);
    EXPECT_EQ(ObsClassOf(o), 5);
    SetStateBits(o, 3);
    EXPECT_EQ(o.code, (13 << 3 | 5 | 0x1800));
}

}  // namespace
}  // namespace quenvar
