// Saving and loading the network in the binary database file, the text file (by name) and the
// comma-separated pair, and damaged files that fail cleanly.
#include "netdb/database_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "geom/angles.h"
#include "netdb/csv_exchange.h"
#include "netdb/text_writer.h"
#include "quenvar.h"
#include "report/report_file.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

constexpr const char* NotZore = "要读入的库为非ZORE格式, 现为无名空库";
constexpr size_t PointBlock = 153;  // marker and header
constexpr size_t ObsBlock = PointBlock + 3 * 34;

// Points A and B with observations A->B (distance, direction) and B->A (distance).
struct Files {
    TempDir dir;
    RecordingMessenger ui;
    Network net;
    NetworkBuilder b{net};
    Files() {
        b.Point("A", 100, 200, 10, 1, 1);
        b.Point("B", 300, 400, 20);
        b.Obs(1, 2, KindDistance, 282.84);
        b.Obs(1, 2, KindDirection, 0.5);
        b.Obs(2, 1, KindDistance, 282.85);
    }
    int Save(const Network& n, const std::string& name, int pointsOnly = 0) {
        return SaveDatabase(n, ui, dir.File(name).c_str(), pointsOnly);
    }
    // The load's result, 0 when it did not leave an empty network on failure.
    int Load(Network& into, const std::string& name) {
        const int result = LoadDatabase(into, ui, dir.File(name).c_str());
        const bool empty = into.hdr.pointCount == 0 && into.hdr.obsCount == 0 && into.PointCapacity() == 3072 &&
                           into.hdr.optionFlags == 0x0100;
        return result == 2 || empty ? result : 0;
    }
};

TEST(DatabaseFile, BinarySizesAndRoundTripOfEveryField) {
    Files f;
    Network loaded;
    NetworkBuilder empty(loaded);
    ASSERT_EQ(f.Save(loaded, "empty.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("empty.db")).size(), 187u);
    EXPECT_EQ(f.Load(loaded, "empty.db") * 10 + loaded.hdr.pointCount, 20);
    ASSERT_EQ(f.Save(f.net, "two.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("two.db")).size(), 327u);

    f.net.hdr.refraction = 0.13;
    f.net.hdr.lastPoint = 5;
    f.net.hdr.capacityStep = 7;
    f.net.hdr.stationRecCount = 2;
    f.net.Station(2).orientation = 1.25;
    f.net.hdr.ellipseCount = 1;
    f.net.ellipses.assign(2, EllipseRec{2, EllipsePointRecord, 0.1f, 0.2f, 0.3f});
    ASSERT_EQ(f.Save(f.net, "all.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("all.db")).size(), 327u + 3 * 20 + 2 * 16);
    ASSERT_EQ(f.Load(loaded, "all.db"), 2);
    EXPECT_EQ(loaded.hdr.capacityStep, 2);
    ASSERT_EQ(f.Save(loaded, "back.db"), 2);
    EXPECT_TRUE(Patched(ReadAll(f.dir.File("back.db")), 1 + 128, uint16_t(7)) == ReadAll(f.dir.File("all.db")));
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(DatabaseFile, TruncatedAndDamagedFilesFailCleanly) {
    Files f;
    ASSERT_EQ(f.Save(f.net, "good.db"), 2);
    const std::string good = ReadAll(f.dir.File("good.db"));
    const Strings bad = {"", good.substr(0, PointBlock + 33), good.substr(0, good.size() - 1),
                         Patched(good, 1 + 18, int16_t(-1)),                    // negative point count
                         Patched(good, 1 + 126, uint8_t(18)),                   // default kind outside the table
                         Patched(good, 1 + 0, uint16_t(60000)),                 // observations the file lacks
                         Patched(good, ObsBlock + 18, uint16_t(3)),             // target beyond the points
                         Patched(good, ObsBlock + 18 + 16, uint16_t(4)),        // next beyond the observations
                         Patched(good, ObsBlock + 2 * 18 + 16, uint16_t(1)),    // chain 1 -> 2 -> 1
                         Patched(good, PointBlock + 2 * 34 + 32, uint16_t(2)),  // B's chain inside A's
                         Patched(good, ObsBlock + 18 + 14, MakeCode(18, 0))};   // kind outside the table
    for (size_t k = 0; k < bad.size(); ++k) {
        WriteAll(f.dir.File("bad.db"), bad[k]);
        f.ui.messages.clear();
        Network loaded;
        EXPECT_EQ(f.Load(loaded, "bad.db"), 1) << k;
        EXPECT_EQ(f.ui.Texts(), Strings{NotZore}) << k;
    }
    // Random damage to binary and text files: nothing crashes and whatever loads is consistent.
    ASSERT_EQ(f.Save(f.net, "t.txt"), 2);
    const std::string sources[] = {good, ReadAll(f.dir.File("t.txt"))};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = sources[round % 2];
        for (int k = 1 + int(random() % 6); k > 0; --k) bytes[1 + random() % (bytes.size() - 1)] = char(random());
        if (round % 5 == 0) bytes.resize(random() % bytes.size());
        WriteAll(f.dir.File("d"), bytes);
        Network loaded;
        ASSERT_NE(f.Load(loaded, "d"), 0) << round;
        ASSERT_TRUE(DatabaseIsConsistent(loaded)) << round;
    }
}

TEST(DatabaseFile, CountsBeyondAFreshDatabaseAreReadIntoLargerStorage) {
    Files f;
    NetHeader h{};
    ResetHeader(h);
    h.pointCount = 4000;
    h.obsCount = 13000;
    std::string bytes = "^" + std::string(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.resize(PointBlock + 4001 * 34 + 13001 * 18, '\0');
    const size_t lastObs = PointBlock + 4001 * 34 + 13000 * 18;
    bytes = Patched(Patched(bytes, PointBlock + 4000 * 34 + 32, uint16_t(13000)), lastObs + 2, 12.5);
    WriteAll(f.dir.File("big.db"), Patched(bytes, lastObs, uint16_t(3999)));
    ASSERT_EQ(f.Load(f.net, "big.db"), 2);
    EXPECT_TRUE(f.net.Obs(13000).value == 12.5 && f.net.Obs(13000).target == 3999);
    ASSERT_EQ(f.Save(f.net, "again.db"), 2);
    // Written back unchanged but for the storage size and the closure factor a load sets.
    bytes = Patched(Patched(Patched(bytes, lastObs, uint16_t(3999)), 1 + 128, uint16_t(3)), 1 + 140, 3.0f);
    EXPECT_TRUE(ReadAll(f.dir.File("again.db")) == bytes);
}

TEST(DatabaseFile, SavingChoosesByExtensionLoadingByContent) {
    EXPECT_EQ(SaveFormatFor(".txt"), SaveFormat::Binary);  // 4 characters or fewer
    Files f;
    Network loaded;
    for (const std::string& name : Strings{"A.TXT", "a.Coo", "b.MSM", "c.WCO", "c.wco", "c.Wco", "x.db"}) {
        ASSERT_EQ(f.Save(f.net, name, 1), 2);
        const std::string bytes = ReadAll(f.dir.File(name));
        const char head = name == "c.WCO" || name == "c.wco" ? '0' : name == "c.Wco" || name == "x.db" ? '^' : '<';
        EXPECT_EQ(bytes[0], head) << name;
        // Loaded under another name; the pair's observation file follows: c.Wob -> renamob.
        WriteAll(f.dir.File("renamed"), bytes);
        std::rename(f.dir.File(name.substr(0, 3) + "ob").c_str(), f.dir.File("renamob").c_str());
        ASSERT_EQ(f.Load(loaded, "renamed") * 10 + loaded.hdr.pointCount, 22) << name;
    }
    EXPECT_EQ(f.Load(loaded, "missing") + f.Save(f.net, "none/x.db"), 2);
    EXPECT_EQ(f.ui.Texts(), (Strings{NotZore, "数据库写盘失败, 请排除故障后再试!"}));

    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    EXPECT_EQ(zrLoadData(nullptr) + zrLoadData(f.dir.File("A.TXT").c_str()), 2);
    EXPECT_EQ(zrSaveData(f.dir.File("A.TXT").c_str(), 0x10000), 1);  // only the low 16 bits count
    EXPECT_NE(ReadAll(f.dir.File("A.TXT")).find("\n<<\n"), std::string::npos);
    EXPECT_EQ(zrSaveData(f.dir.File("none/n.db").c_str(), 0) + zrLoadData(f.dir.File("none.db").c_str()), 0);
    zrSetMessageHook(nullptr, nullptr);
}

TEST(CommaSeparated, ExportWritesThePairAndImportReadsItBack) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    net.hdr.designMode = 1;
    net.hdr.dirSigma = 9.697e-5f;
    net.hdr.distSigmaConst = 0.005f;
    net.hdr.distSigmaPpm = 2.0f;
    b.Point("A", 1000.5, 2000.25, 30, 1, 1);
    b.Point("B", 1500, 2500, 0, 1, 0);
    b.Point("C", 10, 20, 0, 0, 0);
    b.Obs(1, 2, KindDirection, DmsToRadians(10.3), ClassFixed);
    b.Obs(1, 3, KindDirection, DmsToRadians(45.3));
    b.Obs(1, 3, KindDistance, 500.25, ClassFixed);
    b.Obs(1, 2, KindDistance, 707.5);
    b.Obs(1, 2, KindAzimuth, 45 * Deg);
    b.Obs(1, 3, KindConnection, 0.0);
    b.Obs(1, 2, KindLevelled, 1.5);
    b.Obs(3, 1, KindDirection, 12 * Deg);
    b.Obs(3, 1, KindDistance, 500.3);

    ASSERT_EQ(ExportCommaSeparated(net, dir.File("net.wco")), 2);
    EXPECT_EQ(ReadAll(dir.File("net.wco")),
              "1\n20.001,0.500,2.000\nA,1000.500000,2000.250000\nB,1500.000000,2500.000000\n"
              "0,0,0\nA,45.000000,B\n0,0,0\nA,C\n-1,0\n-1\n");
    EXPECT_EQ(ReadAll(dir.File("net.wob")),
              "A,3\nB,1,10.300000\nC,1,45.300000\nC,3,500.250000\nB,2,707.500000\n0,0,0\n"
              "C,1\nA,1,12.000000\nA,2,500.300000\n0,0,0\n-1,0\n");

    Network back;
    RecordingMessenger ui;
    AllocateDatabase(back, ui, true);
    ASSERT_EQ(ImportCommaSeparated(back, ui, dir.File("net.wco")) * 10 + back.hdr.pointCount, 23);
    EXPECT_TRUE(ui.messages.empty() && back.hdr.designMode == 1);
    EXPECT_NEAR(+back.hdr.dirSigma, 20.001 * 4.8483439059054945e-06, 1e-10);
    EXPECT_TRUE(back.hdr.distSigmaConst == 0.005f && back.hdr.distSigmaPpm == 2.0f);
    const PointRec a = back.Point(1), c = back.Point(3);
    EXPECT_TRUE(a.x == 1000.5 && a.y == 2000.25 && a.h == 0.0 && HeightClass(a) == 0 && PlaneClass(a) == 1);
    EXPECT_TRUE(c.x == 0.0 && PointName(c) == "C");
    // Azimuths and connections come first, directions of class 1 come back as class 0.
    EXPECT_EQ(Rows(back, 1), (Strings{Row("B", KindAzimuth, 1, 45 * Deg), Row("C", KindConnection, 0, 0),
                                      Row("B", KindDirection, 0, DmsToRadians(10.3)),
                                      Row("C", KindDirection, 0, DmsToRadians(45.3)), Row("C", KindDistance, 1, 500.25),
                                      Row("B", KindDistance, 0, 707.5)}));
    EXPECT_EQ(Rows(back, 3), (Strings{Row("A", KindDirection, 0, 12 * Deg), Row("A", KindDistance, 0, 500.3)}));
}

TEST(CommaSeparated, ControlFileDecidesAndObservationTypesMap) {
    TempDir dir;
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    WriteAll(dir.File("x.wco"), "2\n0,0,0\n");
    EXPECT_EQ(ImportCommaSeparated(net, ui, dir.File("x.wco")), 0);
    WriteAll(dir.File("k.wco"), "0\n\nK1,100,200\n0,0,0\n0,0,0\n-1,0\n");
    EXPECT_EQ(ImportCommaSeparated(net, ui, dir.File("k.wco")) * 1000 + net.Point(1).y, 2200.0);
    EXPECT_EQ(ui.Texts(), Strings{"相应的观测值文件未找到!"});

    AllocateDatabase(net, ui, true);
    WriteAll(dir.File("t.wco"), "0\n1,1,1\n0,0,0\n0,0,0\n-1,0\n");
    WriteAll(dir.File("t.wob"), "S,1\nT1,1,10.3\nT2,3,100\nT3,5,200\n0,0,0\nT1,1\n\nS,2,5\n0,0,0\n-1,0\nX,1\n");
    ASSERT_EQ(ImportCommaSeparated(net, ui, dir.File("t.wco")), 2);
    EXPECT_EQ(Rows(net, 1), (Strings{Row("T1", KindDirection, 0, 10.5 * Deg), Row("T2", KindDistance, 1, 100),
                                     Row("T3", KindDistance, 0, 200)}));
    EXPECT_EQ(Rows(net, 2), Strings{Row("S", KindDistance, 0, 5)});
    EXPECT_EQ(net.hdr.pointCount, 4);  // X after the end line is not read
}

// Nothing is reported as saved that did not reach the disk: every writer fails on a device
// that accepts no data (/dev/full), through the entry points as well as inside the library.
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
