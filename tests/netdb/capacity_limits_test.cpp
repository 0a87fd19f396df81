// The limits of the network storage are handled on purpose: beyond them the library either
// keeps working or refuses with a message, and nothing already read is lost.
#include <gtest/gtest.h>

#include <string>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "report/report_lines.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/recording_messenger.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

constexpr const char* TooManyPoints = "点数超过4095, 不能计算!";

// The precision records and the locus fields name points in 12 bits: a network with a point
// index beyond 4,095 is kept, saved and loaded whole, but not computed.
TEST(CapacityLimits, PointsBeyondTwelveBitsAreKeptButNotComputed) {
    TempDir dir;
    std::string text = "many <<\n";
    for (int i = 1; i <= 4100; ++i) text += "P" + std::to_string(i) + " 10 " + std::to_string(1000 + i) + " 500 1\n";
    text += "<<\nP1 P2 d 1\nP4100 P4099 d 1\n";
    WriteAll(dir.File("many.txt"), text);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("many.txt").c_str()), 2);
    EXPECT_EQ(net.hdr.pointCount, 4100);
    EXPECT_EQ(ui.Texts(), Strings(2, "no enough space"));  // growth at point 3068 ends the observations
    ui.messages.clear();
    EXPECT_EQ(Calculate(net, ui), 0);
    ReportBuffers reports;
    EXPECT_EQ(AdjustNetwork(net, ui, reports, MethodIteration, 2), 0);
    EXPECT_EQ(RunAdjustment(net, ui, MethodIteration, 0, 2), ResultPreprocessing);
    EXPECT_EQ(ui.Texts(), Strings(2, TooManyPoints));
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("many.db").c_str(), 0), 2);
    Network back;
    ASSERT_EQ(LoadDatabase(back, ui, dir.File("many.db").c_str()), 2);
    EXPECT_TRUE(back.hdr.pointCount == 4100 && back.Point(4100).x == 5100.0);
}

// A database file with the largest counts its 16-bit fields hold loads into storage of that
// size; no observation can be added to it and it is not computed.
TEST(CapacityLimits, LargestSixteenBitCountsLoad) {
    TempDir dir;
    NetHeader h{};
    ResetHeader(h);
    h.pointCount = 32767;
    h.obsCount = 65535;
    std::string bytes = "^" + std::string(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.resize(1 + sizeof h + 32768 * sizeof(PointRec) + 65536 * sizeof(ObsRec), '\0');
    WriteAll(dir.File("huge.db"), bytes);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("huge.db").c_str()), 2);
    EXPECT_TRUE(net.PointCapacity() > 32767 && net.ObsCapacity() > 65535);
    EXPECT_EQ(AddObservation(net, ui, 1), 0);
    EXPECT_EQ(Calculate(net, ui), 0);
    EXPECT_EQ(ui.Texts(), (Strings{"no enough space", TooManyPoints}));
    EXPECT_EQ(net.hdr.obsCount, 65535);
}

}  // namespace
}  // namespace quenvar
