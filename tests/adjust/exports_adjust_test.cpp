// The adjustment exports on the library's own network.
#include <gtest/gtest.h>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

TEST(AdjustmentExportTest, HeightExportSetsTheKindAndRunsMethodZeroIterated) {
    Network& net = Library().net;
    FreeDatabase(net);
    EXPECT_EQ(zrHAdjustment(0, 1), 0);  // nothing loaded
    testing::NetworkBuilder b(net);
    net.hdr.levelSigma = 0.001f;
    net.hdr.levelSigma4 = 0.002f;
    net.hdr.trigHeightSigma = 0.03f;
    b.Point("A", 0, 0, 100.0, 0, 1);
    b.Point("B", 0, 0, 101.0);
    b.Point("C", 0, 0, 102.5);
    b.Obs(1, 2, KindLevelled, 1.0);
    b.Obs(2, 3, KindLevelled, 1.5);
    b.Obs(1, 3, KindLevelled, 2.5005);
    EXPECT_EQ(zrHAdjustment(0, 1), 1);
    EXPECT_EQ(net.hdr.heightMode, 1);
    EXPECT_FALSE(net.weightTable.empty());
    EXPECT_NEAR(net.Point(3).h, 102.5 + 0.0005 * 2 / 3, 1e-9);
    FreeDatabase(net);
}

}  // namespace
}  // namespace quenvar
