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

bool HaveFullDevice() { return access("/dev/full", W_OK) == 0; }

// Known A, unknown U, a direction and a distance: enough for every format to write a line.
struct Filled {
    Network net;
    NetworkBuilder b{net};
    Filled() {
        b.Point("A", 100, 200, 0, 1, 0);
        b.Point("U", 150, 250, 0, 0, 0);
        b.Obs(1, 2, KindDirection, 0.5);
        b.Obs(1, 2, KindDistance, 70.7);
    }
};

TEST(FullDisk, EveryWriterFailsAndTheSaveSaysSo) {
    if (!HaveFullDevice()) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    Filled f;
    // The save chooses the format by the name, so each format gets a link named for it.
    for (const char* name : {"n.txt", "n.bin", "n.wco"}) {
        std::filesystem::create_symlink("/dev/full", dir.File(name));
    }
    EXPECT_EQ(WriteTextNetwork(f.net, dir.File("n.txt"), 0), 0);
    EXPECT_EQ(WriteTextNetwork(f.net, dir.File("n.txt"), 1), 0);
    EXPECT_EQ(ExportCommaSeparated(f.net, dir.File("n.wco")), 0);
    RecordingMessenger ui;
    for (const char* name : {"n.txt", "n.bin", "n.wco"}) {
        EXPECT_EQ(SaveDatabase(f.net, ui, dir.File(name).c_str(), 0), 1) << name;
    }
    EXPECT_EQ(ui.messages.size(), 3u);

    ReportBuffers reports;
    reports.reportLines = {"A", "B"};
    EXPECT_EQ(WriteReportFile(reports, "/dev/full", "T", "H", nullptr, nullptr), 0);
    EXPECT_EQ(WriteTextFile("/dev/full", "a report\n"), 0);
}

TEST(FullDisk, ThePairFailsWhenOnlyItsObservationFileCannotBeWritten) {
    if (!HaveFullDevice()) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    Filled f;
    std::filesystem::create_symlink("/dev/full", dir.File("n.wob"));
    EXPECT_EQ(ExportCommaSeparated(f.net, dir.File("n.wco")), 0);
    EXPECT_NE(ReadAll(dir.File("n.wco")), "");  // the control file stays, as a partial save does
    EXPECT_EQ(ExportCommaSeparated(f.net, dir.File("m.wco")), 2);
}

TEST(FullDisk, EntryPointsReturnTheirFailureValue) {
    if (!HaveFullDevice()) GTEST_SKIP() << "no /dev/full";
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
