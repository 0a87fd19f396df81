// Nothing is reported as saved that did not reach the disk: every writer fails on a device
// that accepts no data (/dev/full), through the entry points as well as inside the library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "netdb/csv_exchange.h"
#include "netdb/database_file.h"
#include "netdb/text_writer.h"
#include "quenvar.h"
#include "report/report_file.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

TEST(FullDisk, EveryWriterFailsAndTheSaveSaysSo) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    // Known A, unknown U, a direction and a distance: enough for every format to write a line.
    Network net;
    NetworkBuilder b(net);
    b.Point("A", 100, 200, 0, 1, 0);
    b.Point("U", 150, 250, 0, 0, 0);
    b.Obs(1, 2, KindDirection, 0.5);
    b.Obs(1, 2, KindDistance, 70.7);
    // The save chooses the format by the name, so each format gets a link named for it.
    for (const char* name : {"n.txt", "n.bin", "n.wco", "p.wob"}) std::filesystem::create_symlink("/dev/full", dir.File(name));
    EXPECT_EQ(WriteTextNetwork(net, dir.File("n.txt"), 0), 0);
    EXPECT_EQ(WriteTextNetwork(net, dir.File("n.txt"), 1), 0);
    EXPECT_EQ(ExportCommaSeparated(net, dir.File("n.wco")), 0);
    RecordingMessenger ui;
    for (const char* name : {"n.txt", "n.bin", "n.wco"}) EXPECT_EQ(SaveDatabase(net, ui, dir.File(name).c_str(), 0), 1) << name;
    EXPECT_EQ(ui.messages.size(), 3u);
    // The pair fails when only its observation file cannot be written; the control file stays,
    // as a partial save does.
    EXPECT_EQ(ExportCommaSeparated(net, dir.File("p.wco")), 0);
    EXPECT_NE(ReadAll(dir.File("p.wco")), "");
    EXPECT_EQ(ExportCommaSeparated(net, dir.File("m.wco")), 2);

    ReportBuffers reports;
    reports.reportLines = {"A", "B"};
    EXPECT_EQ(WriteReportFile(reports, "/dev/full", "T", "H", nullptr, nullptr), 0);
    EXPECT_EQ(WriteTextFile("/dev/full", "a report\n"), 0);
}

TEST(FullDisk, EntryPointsReturnTheirFailureValue) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    WriteAll(dir.File("in.txt"), "<<\nA 10 1 2 3\nB 00 0 0 0\n<<\nA B d 5\n");
    std::filesystem::create_symlink("/dev/full", dir.File("out.txt"));
    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    ASSERT_EQ(zrLoadData(dir.File("in.txt").c_str()), 1);
    EXPECT_EQ(zrSaveData(dir.File("out.txt").c_str(), 0), 0);
    EXPECT_EQ(zrReportOnNetwork("/dev/full"), 0);
    EXPECT_EQ(zrSaveData(dir.File("back.txt").c_str(), 0), 1);
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
