#include "netdb/observation_index.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

std::vector<int> Aimed(const ObservationIndex& index, int point) {
    const auto span = index.Aiming(point);
    return {span.begin(), span.end()};
}

TEST(ObservationIndex, StationsAndAimingListsFollowTheChains) {
    Network net;
    testing::NetworkBuilder b(net);
    const int a = b.Point("A", 0, 0), c = b.Point("C", 10, 0), d = b.Point("D", 0, 10);
    const int o1 = b.Obs(a, c, KindDirection, 0.0);
    const int o2 = b.Obs(c, d, KindDirection, 0.0);
    const int o3 = b.Obs(a, d, KindDistance, 10.0);
    const int o4 = b.Obs(d, c, KindDistance, 14.1);
    const ObservationIndex index(net);

    EXPECT_EQ(index.PointLimit(), 3);
    EXPECT_EQ(index.StationOf(o1), a);
    EXPECT_EQ(index.StationOf(o3), a);
    EXPECT_EQ(index.StationOf(o2), c);
    EXPECT_EQ(index.StationOf(o4), d);
    EXPECT_EQ(index.StationOf(0), 0);
    EXPECT_EQ(index.StationOf(999), 0);
    EXPECT_EQ(Aimed(index, c), (std::vector<int>{o1, o4}));
    EXPECT_EQ(Aimed(index, d), (std::vector<int>{o2, o3}));
    EXPECT_TRUE(Aimed(index, a).empty());
    EXPECT_TRUE(Aimed(index, -1).empty());
    EXPECT_TRUE(Aimed(index, index.TargetLimit() + 1).empty());
}

TEST(ObservationIndex, ChainLoopingBackEndsWhereItMeetsAPlacedObservation) {
    Network net;
    testing::NetworkBuilder b(net);
    const int a = b.Point("A", 0, 0), c = b.Point("C", 10, 0);
    const int o1 = b.Obs(a, c, KindDirection, 0.0);
    const int o2 = b.Obs(a, c, KindDistance, 10.0);
    net.Obs(o2).next = uint16_t(o1);  // a damaged chain that would loop for ever
    net.Point(c).firstObs = uint16_t(o2);
    const ObservationIndex index(net);
    EXPECT_EQ(index.StationOf(o1), a);
    EXPECT_EQ(index.StationOf(o2), a);
}

}  // namespace
}  // namespace quenvar
