// Faults in the middle of a computation leave the network as the library describes, and the
// next call works.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "adjust/adjustment_driver.h"
#include "adjust/design_files.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "report/network_summary.h"
#include "report/report_lines.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

// Known A and B 100 m apart; C (kept as given, class 2) seen from A only by directions.
struct ConeNetwork {
    Network net;
    NetworkBuilder b{net};
    ReportBuffers reports;
    ConeNetwork() {
        b.Point("A", 1000, 1000, 0, PointKnown);
        b.Point("B", 1100, 1000, 0, PointKnown);
        b.Point("C", 1050, 1050, 0, PointSpecial);
        b.Obs(1, 2, KindDirection, 0.0);
        for (int k = 0; k < 3; ++k) b.Obs(1, 3, KindDirection, 45 * Deg + k * 1e-6);
        net.hdr.dirSigma = 1e-5f;
        net.hdr.distSigmaConst = 0.003f;
    }
    int Adjust() { return AdjustWithMessages(net, b.ui(), reports, MethodIteration, 3); }
};

TEST(Faults, SingularNormalEquationsLeaveTheCoordinatesAndTheNextAdjustmentWorks) {
    ConeNetwork c;
    c.net.ellipses.assign(2, EllipseRec{});
    c.net.hdr.optionFlags |= OptionAdjusted;
    EXPECT_LT(c.Adjust(), 1);  // C's distance from A is free
    EXPECT_TRUE(c.net.Point(3).x == 1050.0 && c.net.Point(3).y == 1050.0);
    EXPECT_EQ(c.net.hdr.optionFlags & OptionResultBits, 0);  // the old results are gone
    EXPECT_EQ(c.b.ui().closes, 1);
    c.b.Obs(1, 3, KindDistance, 70.71);
    c.b.ui().messages.clear();
    EXPECT_GE(c.Adjust(), 1);
    EXPECT_NEAR(std::hypot(c.net.Point(3).x - 1000, c.net.Point(3).y - 1000), 70.71, 1e-3);
}

TEST(Faults, DeclinedQuestionKeepsThePointAndYesTakesItOut) {
    ConeNetwork c;
    c.b.Obs(1, 3, KindDistance, 70.71);
    const int d = c.b.Point("D", 0, 0);  // no approximate coordinates
    c.b.ui().answers = {0};
    EXPECT_EQ(c.Adjust(), ResultPreprocessing);
    EXPECT_EQ(PlaneClass(c.net.Point(d)), PointUnknown);
    c.b.ui().answers = {1};
    EXPECT_GE(c.Adjust(), 1);
    EXPECT_EQ(PlaneClass(c.net.Point(d)), PointExcluded);
}

TEST(Faults, MissingDesignFileFailsTheSecondStageAndTheNextAnalysisWorks) {
    TempDir dir;
    Network net;
    RecordingMessenger ui;
    ReportBuffers reports;
    ASSERT_EQ(LoadDatabase(net, ui, QUENVAR_SOURCE_DIR "/examples/design.txt"), 2);
    net.hdr.designMode = 1;
    ASSERT_EQ(Calculate(net, ui), 1);
    ApplyAdjustmentDefaults(net, reports);
    const DesignFiles files(dir.File(""));
    ASSERT_EQ(AdjustWithMessages(net, ui, reports, 1, 3, &files), ResultDesignStage);
    std::filesystem::remove(files.MatrixPath());
    ui.closes = 0;
    EXPECT_LE(RunDesignSecondStage(net, ui, 3, files), 0);
    EXPECT_EQ(ui.closes, 1);  // the progress window the first stage left open is closed
    ASSERT_EQ(AdjustWithMessages(net, ui, reports, 1, 3, &files), ResultDesignStage);
    EXPECT_GT(RunDesignSecondStage(net, ui, 3, files), 0);
}

TEST(Faults, WriteFailuresChangeNothingAndTheNextSaveWorks) {
    TempDir dir;
    ConeNetwork c;
    const std::string bad = dir.File("missing/net.db");
    const NetHeader before = c.net.hdr;
    EXPECT_EQ(SaveDatabase(c.net, c.b.ui(), bad.c_str(), 0), 1);
    EXPECT_EQ(c.b.ui().Texts(), Strings{"数据库写盘失败, 请排除故障后再试!"});
    EXPECT_EQ(std::memcmp(&before, &c.net.hdr, sizeof before), 0);
    EXPECT_EQ(SaveDatabase(c.net, c.b.ui(), dir.File("net.db").c_str(), 0), 2);
    Network back;
    ASSERT_EQ(LoadDatabase(back, c.b.ui(), dir.File("net.db").c_str()), 2);
    EXPECT_EQ(Rows(back, 1), Rows(c.net, 1));
}

// An observation the trigonometric heights need cannot be stored when the storage cannot
// grow: the calculation stops with its message, and succeeds once memory is there.
TEST(Faults, GrowthRefusedDuringTheHeightCalculation) {
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 1000, 1000, 50.0, PointKnown, PointKnown);
    b.Point("B", 1100, 1000, 0.0, PointKnown, PointUnknown);
    b.Obs(1, 1, KindInstrument, 1.5);
    b.Obs(1, 2, KindTargetHeight, 1.2);
    b.Obs(1, 2, KindZenith, 89 * Deg);
    net.hdr.obsCount = 2 * 4096 + 4092;  // the next observation needs growth
    net.hdr.heightMode = 1;
    net.allocationAllowed = [](size_t) { return false; };
    EXPECT_EQ(Calculate(net, b.ui()), 0);
    EXPECT_EQ(b.ui().Texts(), (Strings{"控制网太大, 无足够内存，将返回WINDOWS", "站1到2的高差已无存放空间"}));
    EXPECT_TRUE(net.hdr.obsCount == 12284 && net.Point(2).h == 0.0);
    net.allocationAllowed = nullptr;
    EXPECT_EQ(Calculate(net, b.ui()), 1);
    EXPECT_NEAR(net.Point(2).h, 50.0 + 100 * std::tan(1 * Deg) + 1.5 - 1.2, 1e-3);
}

}  // namespace
}  // namespace quenvar
