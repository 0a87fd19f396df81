#include "netdb/database_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "quenvar.h"
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

}  // namespace
}  // namespace quenvar
