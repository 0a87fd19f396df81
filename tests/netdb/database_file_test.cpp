#include "netdb/database_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "netdb/text_reader.h"
#include "netdb/text_writer.h"
#include "quenvar.h"
#include "tests/netdb/temp_files.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::ReadAll;
using testing::RecordingMessenger;
using testing::TempDir;
using testing::WriteAll;

constexpr const char* NotZore = "要读入的库为非ZORE格式, 现为无名空库";
constexpr size_t PointBlock = 153;  // marker and header

// A and B with observations A->B (distance, direction) and B->A (distance).
void TwoPoints(NetworkBuilder& b) {
    b.Point("A", 100, 200, 10, 1, 1);
    b.Point("B", 300, 400, 20);
    b.Obs(1, 2, KindDistance, 282.84);
    b.Obs(1, 2, KindDirection, 0.5);
    b.Obs(2, 1, KindDistance, 282.85);
}

template <typename T>
void Patch(std::string& bytes, size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

bool IsEmptyNetwork(const Network& net) {
    return net.hdr.pointCount == 0 && net.hdr.obsCount == 0 && net.PointCapacity() == 3072 &&
           net.hdr.optionFlags == 0x0100;
}

TEST(DatabaseFile, BinarySizesAndRoundTripOfEveryField) {
    TempDir dir;
    RecordingMessenger ui;
    Network net;
    NetworkBuilder b(net);
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("empty.db").c_str(), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("empty.db")).size(), 187u);
    Network loaded;
    EXPECT_EQ(LoadDatabase(loaded, ui, dir.File("empty.db").c_str()), 2);
    EXPECT_TRUE(IsEmptyNetwork(loaded));

    TwoPoints(b);
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("two.db").c_str(), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("two.db")).size(), 327u);

    net.hdr.dirSigma = 1.5e-5f;
    net.hdr.refraction = 0.13;
    net.hdr.capacityStep = 7;
    net.hdr.stationRecCount = 2;
    net.Station(2).orientation = 1.25;
    net.hdr.ellipseCount = 1;
    net.ellipses.assign(2, EllipseRec{});
    net.ellipses[1] = EllipseRec{2, EllipsePointRecord, 0.1f, 0.2f, 0.3f};
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("all.db").c_str(), 0), 2);
    EXPECT_EQ(ReadAll(dir.File("all.db")).size(), 327u + 3 * 20 + 2 * 16);
    ASSERT_EQ(LoadDatabase(loaded, ui, dir.File("all.db").c_str()), 2);
    EXPECT_EQ(loaded.hdr.capacityStep, 2);
    loaded.hdr.capacityStep = 7;
    EXPECT_EQ(std::memcmp(&loaded.hdr, &net.hdr, sizeof net.hdr), 0);
    EXPECT_EQ(std::memcmp(loaded.points.data(), net.points.data(), 3 * sizeof(PointRec)), 0);
    EXPECT_EQ(std::memcmp(loaded.obs.data(), net.obs.data(), 4 * sizeof(ObsRec)), 0);
    EXPECT_EQ(loaded.Station(2).orientation, 1.25);
    EXPECT_EQ(loaded.ellipses[1].c, 0.3f);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DatabaseFile, TruncatedAndMalformedBinaryFilesLeaveAnEmptyNetwork) {
    TempDir dir;
    RecordingMessenger ui;
    Network net;
    NetworkBuilder b(net);
    TwoPoints(b);
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("good.db").c_str(), 0), 2);
    const std::string good = ReadAll(dir.File("good.db"));
    const size_t obsBlock = PointBlock + 3 * 34;

    std::vector<std::string> bad;
    for (size_t size : {size_t(0), size_t(1), size_t(100), PointBlock + 33, obsBlock + 40, good.size() - 1}) {
        bad.push_back(good.substr(0, size));
    }
    auto patched = [&](size_t at, auto value) {
        bad.push_back(good);
        Patch(bad.back(), at, value);
    };
    patched(1 + 18, int16_t(-1));                    // negative point count
    patched(1 + 28, int16_t(3));                     // lastPoint beyond the points
    patched(1 + 126, uint8_t(18));                   // default kind outside the kind table
    patched(1 + 0, uint16_t(60000));                 // observation count the file does not hold
    patched(obsBlock + 18 + 0, uint16_t(3));         // target beyond the points
    patched(obsBlock + 18 + 16, uint16_t(4));        // next beyond the observations
    patched(obsBlock + 2 * 18 + 16, uint16_t(1));    // chain 1 -> 2 -> 1
    patched(PointBlock + 2 * 34 + 32, uint16_t(2));  // B's chain starts inside A's
    patched(obsBlock + 18 + 14, MakeCode(18, 0));    // kind outside the kind table
    for (size_t k = 0; k < bad.size(); ++k) {
        WriteAll(dir.File("bad.db"), bad[k]);
        ui.messages.clear();
        Network loaded;
        EXPECT_EQ(LoadDatabase(loaded, ui, dir.File("bad.db").c_str()), 1) << k;
        EXPECT_TRUE(IsEmptyNetwork(loaded)) << k;
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{NotZore}) << k;
    }
}

TEST(DatabaseFile, CountsBeyondAFreshDatabaseAreReadIntoLargerStorage) {
    TempDir dir;
    NetHeader h{};
    ResetHeader(h);
    h.pointCount = h.lastPoint = 4000;
    h.obsCount = 13000;
    h.ellipseCount = 1;
    h.closureLimitFactor = 2.0f;
    std::string bytes = "^" + std::string(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.resize(PointBlock + 4001 * 34 + 13001 * 18 + 2 * 16, '\0');
    Patch(bytes, PointBlock + 4000 * 34, 'Z');
    Patch(bytes, PointBlock + 4000 * 34 + 32, uint16_t(13000));
    const size_t last = PointBlock + 4001 * 34 + 13000 * 18;
    Patch(bytes, last, uint16_t(3999));
    Patch(bytes, last + 2, 12.5);
    Patch(bytes, last + 16 * 2 + 2, uint16_t(4000));  // ellipse 1 of point 4000
    WriteAll(dir.File("big.db"), bytes);
    Network net;
    RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("big.db").c_str()), 2);
    EXPECT_GT(net.PointCapacity(), 4000);
    EXPECT_EQ(PointName(net.Point(4000)), "Z");
    EXPECT_EQ(net.Obs(13000).value, 12.5);
    ASSERT_EQ(net.hdr.ellipseCount, 1);
    EXPECT_EQ(net.ellipses[1].p1, 4000);
    ASSERT_EQ(SaveDatabase(net, ui, dir.File("again.db").c_str(), 0), 2);
    std::string again = ReadAll(dir.File("again.db"));
    Patch(again, 1 + 128, uint16_t(0));  // the storage size is the only field that changed
    EXPECT_TRUE(again == bytes);
}

TEST(DatabaseFile, SaveFormatFollowsTheExtension) {
    EXPECT_EQ(SaveFormatFor("A.TXT"), SaveFormat::Text);
    EXPECT_EQ(SaveFormatFor("a.Coo"), SaveFormat::Text);
    EXPECT_EQ(SaveFormatFor("b.MSM"), SaveFormat::Text);
    EXPECT_EQ(SaveFormatFor("c.WCO"), SaveFormat::CommaSeparated);
    EXPECT_EQ(SaveFormatFor("c.wco"), SaveFormat::CommaSeparated);
    EXPECT_EQ(SaveFormatFor("c.Wco"), SaveFormat::Binary);
    EXPECT_EQ(SaveFormatFor("x.db"), SaveFormat::Binary);
    EXPECT_EQ(SaveFormatFor(".txt"), SaveFormat::Binary);  // 4 characters or fewer

    TempDir dir;
    RecordingMessenger ui;
    Network net;
    NetworkBuilder b(net);
    TwoPoints(b);
    for (const char* name : {"A.TXT", "c.wco", "c.Wco"}) {
        ASSERT_EQ(SaveDatabase(net, ui, dir.File(name).c_str(), 1), 2);
    }
    EXPECT_EQ(ReadAll(dir.File("A.TXT")), "<<\n" + FormatNetworkRecord(net, 0, 1) + "\n" +
                                              FormatNetworkRecord(net, 0, 2) + "\n");
    EXPECT_EQ(ReadAll(dir.File("c.wco")).substr(0, 2), "0\n");
    EXPECT_FALSE(ReadAll(dir.File("c.wob")).empty());
    EXPECT_EQ(ReadAll(dir.File("c.Wco"))[0], '^');

    EXPECT_EQ(SaveDatabase(net, ui, dir.File("none/x.db").c_str(), 0), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"数据库写盘失败, 请排除故障后再试!"});
}

TEST(DatabaseFile, LoadingGoesByContentNotExtension) {
    TempDir dir;
    RecordingMessenger ui;
    Network net;
    WriteAll(dir.File("net.db"), "<<\nA 10 1 2 3\n");
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("net.db").c_str()), 2);
    EXPECT_EQ(net.hdr.pointCount, 1);
    WriteAll(dir.File("pair.txt"), "0\n0,0,0\nK,5,6\n0,0,0\n");
    WriteAll(dir.File("pair.tob"), "-1,0\n");
    ASSERT_EQ(LoadDatabase(net, ui, dir.File("pair.txt").c_str()), 2);
    EXPECT_EQ(net.Point(1).y, 6.0);
    EXPECT_EQ(LoadDatabase(net, ui, nullptr), 2);
    EXPECT_TRUE(IsEmptyNetwork(net));
    EXPECT_TRUE(ui.messages.empty());
    for (const char* name : {"garbage", "missing"}) {
        WriteAll(dir.File("garbage"), "no title here\n");
        ui.messages.clear();
        EXPECT_EQ(LoadDatabase(net, ui, dir.File(name).c_str()), 1);
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{NotZore});
    }
}

// Damaged files of every kind: nothing may crash, and whatever loads is consistent.
TEST(DatabaseFile, RandomDamageNeverYieldsAnInconsistentNetwork) {
    TempDir dir;
    RecordingMessenger ui;
    Network net;
    NetworkBuilder b(net);
    TwoPoints(b);
    SaveDatabase(net, ui, dir.File("t.db").c_str(), 0);
    SaveDatabase(net, ui, dir.File("t.txt").c_str(), 0);
    const std::string sources[] = {ReadAll(dir.File("t.db")), ReadAll(dir.File("t.txt"))};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = sources[round % 2];
        const int changes = 1 + int(random() % 6);
        for (int k = 0; k < changes; ++k) bytes[1 + random() % (bytes.size() - 1)] = char(random());
        if (round % 5 == 0) bytes.resize(random() % bytes.size());
        WriteAll(dir.File("d"), bytes);
        Network loaded;
        LoadDatabase(loaded, ui, dir.File("d").c_str());
        ASSERT_TRUE(DatabaseIsConsistent(loaded)) << round;
        ASSERT_EQ(SaveDatabase(loaded, ui, dir.File("out.txt").c_str(), 0), 2);
    }
}

TEST(DatabaseFile, ExportsLoadSaveAndFree) {
    TempDir dir;
    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    EXPECT_EQ(zrLoadData(nullptr), 1);
    WriteAll(dir.File("n.txt"), "<<\nA 10 1 2 3\n<<\nA B d 5\n");
    EXPECT_EQ(zrLoadData(dir.File("n.txt").c_str()), 1);
    EXPECT_EQ(zrSaveData(dir.File("n.db").c_str(), 0x10000), 1);  // only the low 16 bits count
    EXPECT_EQ(ReadAll(dir.File("n.db")).size(), 1 + 152 + 3 * 34 + 2 * 18u);
    EXPECT_EQ(zrSaveData(dir.File("none/n.db").c_str(), 0), 0);
    EXPECT_EQ(zrLoadData(dir.File("none.db").c_str()), 0);
    zrFreeData();
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
