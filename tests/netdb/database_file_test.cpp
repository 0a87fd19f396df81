#include "netdb/database_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "quenvar.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::ReadAll;
using testing::WriteAll;
using Strings = std::vector<std::string>;

constexpr const char* NotZore = "要读入的库为非ZORE格式, 现为无名空库";
constexpr size_t PointBlock = 153;  // marker and header
constexpr size_t ObsBlock = PointBlock + 3 * 34;

// A and B with observations A->B (distance, direction) and B->A (distance).
void TwoPoints(testing::NetworkBuilder& b) {
    b.Point("A", 100, 200, 10, 1, 1);
    b.Point("B", 300, 400, 20);
    b.Obs(1, 2, KindDistance, 282.84);
    b.Obs(1, 2, KindDirection, 0.5);
    b.Obs(2, 1, KindDistance, 282.85);
}

template <typename T>
std::string Patched(std::string bytes, size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    return bytes;
}

bool IsEmptyNetwork(const Network& net) {
    return net.hdr.pointCount == 0 && net.hdr.obsCount == 0 && net.PointCapacity() == 3072 &&
           net.hdr.optionFlags == 0x0100;
}

struct Fixture {
    testing::TempDir dir;
    testing::RecordingMessenger ui;
    Network net;
    testing::NetworkBuilder b{net};
    int Save(const std::string& name, int pointsOnly = 0) {
        return SaveDatabase(net, ui, dir.File(name).c_str(), pointsOnly);
    }
    int Load(Network& into, const std::string& name) { return LoadDatabase(into, ui, dir.File(name).c_str()); }
};

TEST(DatabaseFile, BinarySizesAndRoundTripOfEveryField) {
    Fixture f;
    Network loaded;
    ASSERT_EQ(f.Save("empty.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("empty.db")).size(), 187u);
    EXPECT_EQ(f.Load(loaded, "empty.db"), 2);
    EXPECT_TRUE(IsEmptyNetwork(loaded));

    TwoPoints(f.b);
    ASSERT_EQ(f.Save("two.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("two.db")).size(), 327u);
    f.net.hdr.refraction = 0.13;
    f.net.hdr.capacityStep = 7;
    f.net.hdr.stationRecCount = 2;
    f.net.Station(2).orientation = 1.25;
    f.net.hdr.ellipseCount = 1;
    f.net.ellipses.assign(2, EllipseRec{});
    f.net.ellipses[1] = EllipseRec{2, EllipsePointRecord, 0.1f, 0.2f, 0.3f};
    ASSERT_EQ(f.Save("all.db"), 2);
    EXPECT_EQ(ReadAll(f.dir.File("all.db")).size(), 327u + 3 * 20 + 2 * 16);
    ASSERT_EQ(f.Load(loaded, "all.db"), 2);
    EXPECT_EQ(loaded.hdr.capacityStep, 2);
    ASSERT_EQ(SaveDatabase(loaded, f.ui, f.dir.File("back.db").c_str(), 0), 2);
    EXPECT_TRUE(Patched(ReadAll(f.dir.File("back.db")), 1 + 128, uint16_t(7)) == ReadAll(f.dir.File("all.db")));
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(DatabaseFile, TruncatedAndMalformedBinaryFilesLeaveAnEmptyNetwork) {
    Fixture f;
    TwoPoints(f.b);
    ASSERT_EQ(f.Save("good.db"), 2);
    const std::string good = ReadAll(f.dir.File("good.db"));
    Strings bad;
    for (size_t size : {size_t(0), size_t(1), size_t(100), PointBlock + 33, ObsBlock + 40, good.size() - 1}) {
        bad.push_back(good.substr(0, size));
    }
    bad.push_back(Patched(good, 1 + 18, int16_t(-1)));                    // negative point count
    bad.push_back(Patched(good, 1 + 28, int16_t(3)));                     // lastPoint beyond the points
    bad.push_back(Patched(good, 1 + 126, uint8_t(18)));                   // default kind outside the table
    bad.push_back(Patched(good, 1 + 0, uint16_t(60000)));                 // observations the file lacks
    bad.push_back(Patched(good, ObsBlock + 18, uint16_t(3)));             // target beyond the points
    bad.push_back(Patched(good, ObsBlock + 18 + 16, uint16_t(4)));        // next beyond the observations
    bad.push_back(Patched(good, ObsBlock + 2 * 18 + 16, uint16_t(1)));    // chain 1 -> 2 -> 1
    bad.push_back(Patched(good, PointBlock + 2 * 34 + 32, uint16_t(2)));  // B's chain inside A's
    bad.push_back(Patched(good, ObsBlock + 18 + 14, MakeCode(18, 0)));    // kind outside the table
    for (size_t k = 0; k < bad.size(); ++k) {
        WriteAll(f.dir.File("bad.db"), bad[k]);
        f.ui.messages.clear();
        Network loaded;
        EXPECT_EQ(f.Load(loaded, "bad.db"), 1) << k;
        EXPECT_TRUE(IsEmptyNetwork(loaded)) << k;
        EXPECT_EQ(f.ui.Texts(), Strings{NotZore}) << k;
    }
}

TEST(DatabaseFile, CountsBeyondAFreshDatabaseAreReadIntoLargerStorage) {
    Fixture f;
    NetHeader h{};
    ResetHeader(h);
    h.pointCount = h.lastPoint = 4000;
    h.obsCount = 13000;
    h.ellipseCount = 1;
    h.closureLimitFactor = 2.0f;
    std::string bytes = "^" + std::string(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.resize(PointBlock + 4001 * 34 + 13001 * 18 + 2 * 16, '\0');
    const size_t lastObs = PointBlock + 4001 * 34 + 13000 * 18;
    bytes = Patched(Patched(bytes, PointBlock + 4000 * 34 + 32, uint16_t(13000)), lastObs + 2, 12.5);
    bytes = Patched(Patched(bytes, lastObs, uint16_t(3999)), lastObs + 18 + 16, uint16_t(4000));
    WriteAll(f.dir.File("big.db"), bytes);
    ASSERT_EQ(f.Load(f.net, "big.db"), 2);
    EXPECT_GT(f.net.PointCapacity(), 4000);
    EXPECT_EQ(+f.net.Obs(13000).value, 12.5);
    EXPECT_EQ(f.net.ellipses[1].p1, 4000);
    ASSERT_EQ(f.Save("again.db"), 2);
    // Written back unchanged but for the storage size.
    EXPECT_TRUE(Patched(ReadAll(f.dir.File("again.db")), 1 + 128, uint16_t(0)) == bytes);
}

TEST(DatabaseFile, SavingChoosesByExtensionLoadingByContent) {
    EXPECT_EQ(SaveFormatFor("b.MSM"), SaveFormat::Text);
    EXPECT_EQ(SaveFormatFor("c.WCO"), SaveFormat::CommaSeparated);
    EXPECT_EQ(SaveFormatFor(".txt"), SaveFormat::Binary);  // 4 characters or fewer
    Fixture f;
    TwoPoints(f.b);
    for (const char* name : {"A.TXT", "c.wco", "c.Wco"}) ASSERT_EQ(f.Save(name, 1), 2);
    EXPECT_EQ(ReadAll(f.dir.File("A.TXT")).substr(0, 12), "<<\nA     11 ");
    EXPECT_EQ(ReadAll(f.dir.File("c.wco")).substr(0, 2), "0\n");
    EXPECT_EQ(ReadAll(f.dir.File("c.wob")).substr(0, 4), "A,3\n");
    EXPECT_EQ(ReadAll(f.dir.File("c.Wco"))[0], '^');

    Network loaded;
    for (const char* name : {"A.TXT", "c.wco", "c.Wco"}) {
        WriteAll(f.dir.File("renamed"), ReadAll(f.dir.File(name)));
        // The pair's observation file follows its control file: c.wob -> renamob.
        std::rename(f.dir.File(std::string(name).substr(0, 2) + "wob").c_str(), f.dir.File("renamob").c_str());
        ASSERT_EQ(f.Load(loaded, "renamed"), 2) << name;
        EXPECT_EQ(loaded.hdr.pointCount, 2) << name;
    }
    EXPECT_EQ(LoadDatabase(loaded, f.ui, nullptr), 2);
    EXPECT_TRUE(IsEmptyNetwork(loaded));
    EXPECT_TRUE(f.ui.messages.empty());

    EXPECT_EQ(f.Load(loaded, "missing"), 1);
    EXPECT_EQ(f.Save("none/x.db"), 1);
    EXPECT_EQ(f.ui.Texts(), (Strings{NotZore, "数据库写盘失败, 请排除故障后再试!"}));
}

// Damaged files of every kind: nothing may crash, and whatever loads is consistent.
TEST(DatabaseFile, RandomDamageNeverYieldsAnInconsistentNetwork) {
    Fixture f;
    TwoPoints(f.b);
    f.Save("t.db");
    f.Save("t.txt");
    const std::string sources[] = {ReadAll(f.dir.File("t.db")), ReadAll(f.dir.File("t.txt"))};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = sources[round % 2];
        for (int k = 1 + int(random() % 6); k > 0; --k) bytes[1 + random() % (bytes.size() - 1)] = char(random());
        if (round % 5 == 0) bytes.resize(random() % bytes.size());
        WriteAll(f.dir.File("d"), bytes);
        Network loaded;
        f.Load(loaded, "d");
        ASSERT_TRUE(DatabaseIsConsistent(loaded)) << round;
    }
}

TEST(DatabaseFile, ExportsLoadSaveAndFree) {
    testing::TempDir dir;
    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    EXPECT_EQ(zrLoadData(nullptr), 1);
    WriteAll(dir.File("n.txt"), "<<\nA 10 1 2 3\n<<\nA B d 5\n");
    EXPECT_EQ(zrLoadData(dir.File("n.txt").c_str()), 1);
    EXPECT_EQ(zrSaveData(dir.File("n.txt").c_str(), 0x10000), 1);  // only the low 16 bits count
    EXPECT_NE(ReadAll(dir.File("n.txt")).find("\n<<\n"), std::string::npos);
    EXPECT_EQ(zrSaveData(dir.File("none/n.db").c_str(), 0), 0);
    EXPECT_EQ(zrLoadData(dir.File("none.db").c_str()), 0);
    zrFreeData();
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
