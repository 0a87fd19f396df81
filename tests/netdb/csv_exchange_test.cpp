#include "netdb/csv_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geom/angles.h"
#include "netdb/point_lookup.h"
#include "tests/netdb/temp_files.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::ReadAll;
using testing::RecordingMessenger;
using testing::TempDir;
using testing::WriteAll;

constexpr double Deg = 0.017453292519943295;

// "target kind class value" of each observation of the station, in chain order.
std::vector<std::string> Rows(const Network& net, int station) {
    std::vector<std::string> rows;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        char row[80];
        std::snprintf(row, sizeof row, "%s %c%d %.6f", PointName(net.Point(r.target)).c_str(),
                      KindLetters[KindOf(r)], ObsClassOf(r), r.value);
        rows.emplace_back(row);
    }
    return rows;
}

std::string Value(double radians) { return std::to_string(radians); }

TEST(CommaSeparated, ExportWritesThePairAndImportReadsItBack) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    net.hdr.designMode = 1;
    net.hdr.dirSigma = 9.697e-5f;
    net.hdr.distSigmaConst = 0.005f;
    net.hdr.distSigmaPpm = 2.0f;
    const int a = b.Point("A", 1000.5, 2000.25, 30, 1, 1);
    const int bb = b.Point("B", 1500, 2500, 0, 1, 0);
    const int c = b.Point("C", 10, 20, 0, 0, 0);
    b.Obs(a, bb, KindDirection, DmsToRadians(10.3), ClassFixed);
    b.Obs(a, c, KindDirection, DmsToRadians(45.3));
    b.Obs(a, c, KindDistance, 500.25, ClassFixed);
    b.Obs(a, bb, KindDistance, 707.5);
    b.Obs(a, bb, KindAzimuth, 45 * Deg);
    b.Obs(a, c, KindConnection, 0.0);
    b.Obs(a, bb, KindLevelled, 1.5);
    b.Obs(c, a, KindDirection, 12 * Deg);
    b.Obs(c, a, KindDistance, 500.3);

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
    ASSERT_EQ(ImportCommaSeparated(back, ui, dir.File("net.wco")), 2);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(back.hdr.designMode, 1);
    EXPECT_NEAR(back.hdr.dirSigma, 20.001 * 4.8483439059054945e-06, 1e-10);
    EXPECT_FLOAT_EQ(back.hdr.distSigmaConst, 0.005f);
    EXPECT_FLOAT_EQ(back.hdr.distSigmaPpm, 2.0f);
    ASSERT_EQ(back.hdr.pointCount, 3);
    EXPECT_EQ(PointName(back.Point(3)), "C");
    EXPECT_EQ(back.Point(1).x, 1000.5);
    EXPECT_EQ(back.Point(1).y, 2000.25);
    EXPECT_EQ(back.Point(1).h, 0.0);
    EXPECT_EQ(HeightClass(back.Point(1)), 0);
    EXPECT_EQ(PlaneClass(back.Point(2)), 1);
    EXPECT_EQ(back.Point(3).x, 0.0);
    EXPECT_EQ(Rows(back, 1), (std::vector<std::string>{
                                 "B a1 " + Value(45 * Deg), "C #0 0.000000", "B c0 " + Value(DmsToRadians(10.3)),
                                 "C c0 " + Value(DmsToRadians(45.3)), "C d1 500.250000", "B d0 707.500000"}));
    EXPECT_EQ(Rows(back, 3), (std::vector<std::string>{"A c0 " + Value(12 * Deg), "A d0 500.300000"}));
    EXPECT_EQ(back.hdr.lastPoint, 3);
}

TEST(CommaSeparated, ControlFileDecidesWhetherThePairIsRead) {
    TempDir dir;
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    WriteAll(dir.File("x.wco"), "2\n0,0,0\n");
    EXPECT_EQ(ImportCommaSeparated(net, ui, dir.File("x.wco")), 0);
    EXPECT_EQ(ImportCommaSeparated(net, ui, dir.File("none.wco")), 0);

    WriteAll(dir.File("k.wco"), "0\n\nK1,100,200\n0,0,0\n0,0,0\n-1,0\n");
    EXPECT_EQ(ImportCommaSeparated(net, ui, dir.File("k.wco")), 2);
    EXPECT_EQ(net.hdr.pointCount, 1);
    EXPECT_EQ(net.Point(1).y, 200.0);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"相应的观测值文件未找到!"});
}

TEST(CommaSeparated, ObservationTypesGiveKindAndClass) {
    TempDir dir;
    Network net;
    RecordingMessenger ui;
    AllocateDatabase(net, ui, true);
    WriteAll(dir.File("t.wco"), "0\n1,1,1\n0,0,0\n0,0,0\n-1,0\n");
    WriteAll(dir.File("t.wob"), "S,1\nT1,1,10.3\nT2,3,100\nT3,5,200\n0,0,0\nT1,1\n\nS,2,5\n0,0,0\n-1,0\nX,1\n");
    ASSERT_EQ(ImportCommaSeparated(net, ui, dir.File("t.wco")), 2);
    EXPECT_EQ(Rows(net, 1), (std::vector<std::string>{"T1 c0 " + Value(10.5 * Deg), "T2 d1 100.000000",
                                                      "T3 d0 200.000000"}));
    EXPECT_EQ(Rows(net, 2), std::vector<std::string>{"S d0 5.000000"});
    EXPECT_EQ(net.hdr.pointCount, 4);  // X after the end line is not read
}

}  // namespace
}  // namespace quenvar
