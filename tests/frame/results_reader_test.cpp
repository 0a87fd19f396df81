// The results reader copies records as they are, says 0 (with a zeroed record) outside them,
// and never shows a pending double solution's candidates as a position.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

class ResultsReader : public ::testing::Test {
protected:
    void TearDown() override { zrFreeData(); }
};

TEST_F(ResultsReader, RecordsOutsideTheNetworkAreRefusedZeroed) {
    zrFreeData();
    zrResultSummary summary;
    std::memset(&summary, 0x55, sizeof summary);
    EXPECT_EQ(zrGetResultSummary(&summary), 0);
    EXPECT_EQ(summary.pointCount, 0);
    EXPECT_EQ(zrGetResultSummary(nullptr), 0);

    NetworkBuilder b(Library().net);
    b.Point("A", 100, 200, 5, 1, 1);
    b.Obs(1, 1, KindInstrument, 1.5);
    zrPointResult p;
    zrObservationResult o;
    zrPrecisionRecord r;
    for (const int index : {0, 2, -1}) {
        std::memset(&p, 0x55, sizeof p);
        EXPECT_EQ(zrGetPoint(index, &p), 0) << index;
        EXPECT_EQ(p.name[0], 0);
        EXPECT_EQ(zrGetObservation(index == 0 ? 2 : index, &o), 0) << index;
    }
    EXPECT_EQ(zrGetObservation(0, &o), 0);
    EXPECT_EQ(zrGetPrecisionRecord(1, &r), 0);  // no adjustment: only the empty maxima record
    ASSERT_EQ(zrGetPrecisionRecord(0, &r), 1);
    EXPECT_TRUE(r.type == 0 && r.a == 0.0);
    ASSERT_EQ(zrGetPoint(1, &p), 1);
    EXPECT_TRUE(std::string(p.name) == "A" && p.x == 100.0 && p.h == 5.0 && p.firstObs == 1);
    ASSERT_EQ(zrGetObservation(1, &o), 1);
    EXPECT_EQ(o.kind, 'i');
    EXPECT_EQ(o.weight, 0.0);  // no weights without an adjustment
}

TEST_F(ResultsReader, PendingDoubleSolutionHasNoPositionAndRecordsKeepTheirKinds) {
    Network& net = Library().net;
    NetworkBuilder b(net);
    b.Point("A", 100, 200, 0, 1, 0);
    b.Point("U", 1, 1, 0, 0, 0);
    SetFixState(net.Point(2), 3);
    zrPointResult p;
    ASSERT_EQ(zrGetPoint(2, &p), 1);
    EXPECT_TRUE(p.hasPosition == 0 && p.x == 0.0);

    net.hdr.ellipseCount = 2;
    net.ellipses = {EllipseRec{}, EllipseRec{2, EllipsePointRecord, 0.25f, 0, 0},
                    EllipseRec{1, uint16_t(2 | EllipsePairRecord), 0, 0, 0}};
    zrPrecisionRecord r;
    ASSERT_EQ(zrGetPrecisionRecord(1, &r), 1);
    EXPECT_TRUE(r.type == 1 && r.p1 == 2 && r.p2 == 0 && r.a == 0.25);
    ASSERT_EQ(zrGetPrecisionRecord(2, &r), 1);
    EXPECT_TRUE(r.type == 2 && r.p2 == 2);
    EXPECT_EQ(zrGetPrecisionRecord(3, &r), 0);
}

}  // namespace
}  // namespace quenvar
