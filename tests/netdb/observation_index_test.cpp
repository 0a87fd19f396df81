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

}  // namespace
}  // namespace quenvar
