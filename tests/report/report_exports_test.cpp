#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "frame/library_state.h"
#include "quenvar.h"
#include "report/network_summary.h"
#include "tests/report/report_test_files.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::ReadWholeFile;
using testing::ScratchPath;

// Puts a small levelling network into the library's instance and restores it afterwards.
class ReportExports : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::move(Library().net);
        savedReports_ = std::move(Library().reports);
        Network& net = Library().net;
        testing::NetworkBuilder b(net);
        const int a = b.Point("A", 0, 0, 10.0, 0, PointKnown);
        b.Obs(a, b.Point("C", 0, 0, 12.0), KindLevelled, 2.0, ClassSpecial);
        net.hdr.heightMode = 1;
        net.hdr.levelSigma = 0.25f;
        net.hdr.heightSigma0 = 0.25f;  // ratio 1
        net.ellipses[0] = EllipseRec{0, 0, 0.25f, 0.5f, 0.0f};
    }
    void TearDown() override {
        zrFreeData();
        Library().net = std::move(saved_);
        Library().reports = std::move(savedReports_);
    }

private:
    Network saved_;
    ReportBuffers savedReports_;
};

TEST_F(ReportExports, WriteTheSummariesAndStoreTheDefaults) {
    const std::string path = ScratchPath("report.txt");
    EXPECT_EQ(zrReportOnNetwork(path.c_str()), 1);
    std::string summary;
    BuildNetworkSummary(Library().net, Library().reports, summary);
    EXPECT_EQ(ReadWholeFile(path), summary);

    zrSetAdjustmentParam(5, 20.0, 0);  // trigonometric heights 0.02 m
    EXPECT_EQ(zrReportOnAdjusetment(path.c_str()), 1);
    // The unset class-4 errors take their defaults: twice the ordinary ones.
    EXPECT_EQ(ReadWholeFile(path), "高程网平差后精度如下:\n"
                                   "\nfixed(M):      0.2500      0.0200"
                                   "\nrelat(M):      0.5000      0.0400"
                                   "\n\n最大点位误差= 0.250000米\n最大点间误差= 0.500000米");
    EXPECT_EQ(Library().net.hdr.levelSigma4, 0.5f);
}

TEST_F(ReportExports, UnopenablePathsWriteNothing) {
    const std::string bad = testing::UnopenablePath("report.txt");
    EXPECT_EQ(zrReportOnNetwork(bad.c_str()), 0);
    EXPECT_EQ(zrReportOnAdjusetment(bad.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(bad));
}

}  // namespace
}  // namespace quenvar
