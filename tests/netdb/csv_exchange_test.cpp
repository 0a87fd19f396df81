#include "netdb/csv_exchange.h"

#include <gtest/gtest.h>

#include <string>

#include "geom/angles.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

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

}  // namespace
}  // namespace quenvar
