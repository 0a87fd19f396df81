#include "netdb/value_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

#include "adjust/adjustment_parameters.h"
#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "netdb/text_reader.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

constexpr double Inf = std::numeric_limits<double>::infinity();

// Runs the plane calculation and fails the test when it takes more than a second.
void CalculatesPromptly(Network& net, Messenger& ui) {
    const std::clock_t start = std::clock();
    net.hdr.heightMode = 0;
    Calculate(net, ui);
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 1.0);
}

TEST(NonFiniteValues, TextReaderRejectsObservationsAndKeepsCoordinatesMissing) {
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    ASSERT_EQ(ReadTextNetworkFromString(net, ui, "t <<\nA 10 inf 5 nan\nB 10 1 2 3\n<<\n"
                                                 "A B d3 inf\n B c -inf\n B c7 nan\n B a3 1e30\n B # inf\n"),
              2);
    EXPECT_TRUE(net.Point(1).x == 0.0 && net.Point(1).y == 5.0 && net.Point(1).h == 0.0);
    // Class 3 keeps a huge finite value as read; # drops its value; class 7 is not reported
    // again. A direction's 0 becomes -0 radians like any 0 read in d.mmss.
    EXPECT_EQ(Rows(net, 1), (Strings{Row("B", KindDistance, 7, 0), Row("B", KindDirection, 7, -0.0),
                                     Row("B", KindDirection, 7, -0.0), Row("B", KindAzimuth, 3, 1e30),
                                     Row("B", KindConnection, 0, 0)}));
    const std::string wrong = "观测值错误! 测站=1  目标=2\n";
    EXPECT_EQ(ui.Texts(), (Strings{"坐标值错误! 点=1\n", wrong, wrong}));
}

// Two known points and a class-3 direction of 1e300 between them: class 3 is not checked, and
// wrapping that direction used to take for ever.
TEST(NonFiniteValues, HugeUncheckedDirectionIsCalculatedPromptly) {
    TempDir dir;
    const std::string text = "x <<\nA 10 1 1 0\nB 10 2 2 0\n<<\nA B c3 1e300\n";
    WriteAll(dir.File("huge.txt"), text);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("huge.txt").c_str()), 2);
    CalculatesPromptly(net, ui);
}

// The binary file of two points and one direction (291 bytes) with the direction's value, a
// coordinate, a residual and the settings patched to infinity or NaN.
TEST(NonFiniteValues, BinaryFileValuesNeverReachTheCalculation) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 100, 200, 0, PointKnown);
    b.Point("B", 300, 400);
    b.Obs(1, 2, KindDirection, 0.5);
    RecordingMessenger ui;
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("two.db").c_str(), 0), 2);
    std::string bytes = ReadAll(dir.File("two.db"));
    ASSERT_EQ(bytes.size(), 291u);
    const size_t header = 1, points = 153, obs = points + 3 * 34;
    bytes = Patched(bytes, obs + 18 + 2, Inf);
    bytes = Patched(bytes, obs + 18 + 10, std::numeric_limits<float>::quiet_NaN());
    bytes = Patched(bytes, points + 2 * 34 + 6, -Inf);
    bytes = Patched(bytes, header + 50, std::numeric_limits<float>::infinity());
    bytes = Patched(bytes, header + 140, std::numeric_limits<float>::quiet_NaN());
    bytes = Patched(bytes, header + 144, Inf);
    WriteAll(dir.File("bad.db"), bytes);
    Network loaded;
    ASSERT_EQ(LoadDatabase(loaded, ui, dir.File("bad.db").c_str()), 2);
    EXPECT_EQ(ui.Texts(), (Strings{"坐标值错误! 点=2\n", "观测值错误! 测站=1  目标=2\n"}));
    EXPECT_EQ(Rows(loaded, 1), Strings{Row("B", KindDirection, 7, 0)});
    EXPECT_TRUE(loaded.Obs(1).residual == 0.0f && loaded.Point(2).x == 0.0 && loaded.Point(2).y == 400.0);
    EXPECT_TRUE(loaded.hdr.dirSigma == 0.0f && loaded.hdr.closureLimitFactor == 3.0f && loaded.hdr.refraction == 0.0);
    CalculatesPromptly(loaded, ui);

    // The same direction with a huge finite value is kept and wraps at once.
    WriteAll(dir.File("huge.db"), Patched(ReadAll(dir.File("two.db")), obs + 18 + 2, 1e300));
    ASSERT_EQ(LoadDatabase(loaded, ui, dir.File("huge.db").c_str()), 2);
    EXPECT_EQ(loaded.Obs(1).value, 1e300);
    CalculatesPromptly(loaded, ui);
}

TEST(NonFiniteValues, AdjustmentParametersOutOfRangeLeaveTheSettings) {
    NetHeader hdr{};
    SetAdjustmentParam(hdr, ParamDistanceFixed, 5.0, 0);
    const float kept = hdr.distSigmaConst;
    for (double bad : {Inf, -Inf, std::nan(""), 1e300}) {
        SetAdjustmentParam(hdr, ParamDistanceFixed, bad, 0);
        SetAdjustmentParam(hdr, ParamDirection, bad, 1);
        EXPECT_TRUE(hdr.distSigmaConst == kept && hdr.dirSigma4 == 0.0f) << bad;
    }
}

}  // namespace
}  // namespace quenvar
