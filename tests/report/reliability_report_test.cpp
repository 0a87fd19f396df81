// The reliability and gross-error report: observation lines and their widths, the marks, the
// redundancy sums, the design parameters of the profile, and a planted gross error found in a
// generated network.
#include "report/reliability_report.h"

#include <gtest/gtest.h>

#include <cmath>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "tests/adjust/plane_networks.h"
#include "tests/netdb/file_test_support.h"

namespace quenvar {
namespace {

using testing::Strings;

// A network whose weights, cofactors and residuals the test sets by hand.
struct Station {
    Network net;
    testing::NetworkBuilder b{net};
    ReportBuffers buffers;

    void Observe(int station, int target, int kind, int cls, float p, float q, float v) {
        const int o = b.Obs(station, target, kind, 1.0, cls);
        net.Obs(o).residual = v;
        weights.push_back({o, p, q});
    }
    void Finish() {
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        for (const auto& [o, p, q] : weights) {
            net.weightTable[size_t(o)] = p;
            net.weightTable[size_t(net.hdr.obsCount) + 1 + size_t(o)] = q;
        }
    }
    Strings Lines(int point) {
        EXPECT_EQ(FormatStationReliability(net, buffers, int16_t(point - 1)), 1);
        return buffers.detailLines;
    }

    struct Entry {
        int o;
        float p, q;
    };
    std::vector<Entry> weights;
};

TEST(ReliabilityReport, GrossErrorLinesOfAHeightStation) {
    Station s;
    s.net.hdr.heightMode = 1;
    s.net.hdr.heightSigma0 = 1.0f;
    const int a = s.b.Point("A", 0, 0, 10, 0, PointKnown), bb = s.b.Point("B", 0, 0, 12), c = s.b.Point("C12", 0, 0, 9);
    const int d = s.b.Point("D", 0, 0, 9, 0, 3);
    s.Observe(a, bb, KindLevelled, 0, 1.0f, 0.75f, 1.0f);      // w exactly 2.0: no mark
    s.Observe(a, c, KindLevelled, 0, 1.0f, 0.75f, 1.005f);     // w 2.01: marked
    s.Observe(a, bb, KindLevelled, ClassFixed, 1.0f, 0.0f, 5.0f);  // fixed: not listed
    s.Observe(a, c, KindTrigHeight, ClassSpecial, 0.0f, 0.0f, 0.3f);  // no weight: r = 1
    s.Observe(a, bb, KindDistance, 0, 1.0f, 0.0f, 0.0f);       // not of the height network
    s.Observe(a, c, KindLevelled, 0, 2.0f, 0.5f, 0.001f);      // r = 0, taken as 1e-10 in w
    s.Observe(d, a, KindLevelled, 0, 1.0f, 0.5f, 0.0f);
    s.Finish();
    EXPECT_EQ(s.Lines(a), (Strings{"h     B    1.000  0.25   1.000000  2.00",
                                   "h   C12    1.000  0.25   1.005000  2.01*",
                                   "$   C12 [ 错  ]   1.00   0.300000  0.00",
                                   "h   C12    2.000  0.00   0.001000141.42*",
                                   "           [r]=  1.50"}));
    EXPECT_EQ(s.Lines(bb), (Strings{"           [r]=  0.00"}));  // no station at all
    EXPECT_EQ(s.Lines(d), (Strings{"no data"}));                 // class 3
    EXPECT_EQ(FormatStationReliability(s.net, s.buffers, int16_t(d)), 0);
    EXPECT_EQ(FormatStationReliability(s.net, s.buffers, -999), 0);
    s.net.hdr.heightSigma0 = 0.0f;
    EXPECT_EQ(s.Lines(a), (Strings{"no data"}));
}

TEST(ReliabilityReport, PlaneDirectionsLoseTheStationMeanAndShowDegrees) {
    Station s;
    s.net.hdr.planeSigma0 = 1e-5f;
    const int st = s.b.Point("S", 1000, 1000), t1 = s.b.Point("T1", 2000, 1000), t2 = s.b.Point("T2", 1000, 2000);
    const int f = s.b.Point("F", 0, 1000, 0, PointKnown);
    // Mean of the directions (the fixed one included) 5e-5 rad; listed v' -3e-5 and -1e-5 rad,
    // that is -6.19" and -2.06".
    s.Observe(st, t1, KindDirection, 0, 1.0f, 0.5f, 2e-5f);
    s.Observe(st, t2, KindDirection, 0, 1.0f, 0.5f, 4e-5f);
    s.Observe(st, f, KindDirection, ClassFixed, 1.0f, 0.0f, 9e-5f);
    s.Observe(st, t1, KindDistance, 0, 2.5e-5f, 20000.0f, 0.002f);  // weight printed x 1e6
    s.Finish();
    EXPECT_EQ(s.Lines(st), (Strings{"c    T1    1.000  0.50  -0.000619  4.24*",
                                    "c    T2    1.000  0.50  -0.000206  1.41",
                                    "d    T1   25.000  0.50   0.002000  1.41",
                                    "           [r]=  1.50"}));
}

TEST(ReliabilityReport, DesignNetworkUsesTheProfileParameter) {
    Station s;
    s.net.hdr.heightMode = 1;
    s.net.hdr.designMode = 1;
    s.net.hdr.heightSigma0 = 0.001f;
    const int a = s.b.Point("A", 0, 0, 10, 0, PointKnown), bb = s.b.Point("B", 0, 0, 12);
    s.Observe(a, bb, KindLevelled, 0, 1.0f, 0.75f, 0.0f);
    s.Observe(a, bb, KindLevelled, 0, 1.0f, 1.0f, 0.0f);  // r = 0: R and R' very large, finite
    s.Finish();
    testing::TempDir dir;
    const std::string ini = dir.File("q.ini"), out = dir.File("r.txt");
    testing::WriteAll(ini, "[Design Para]\nD0=a0=0.1% b0=90% d0=3.50\n");
    ASSERT_EQ(WriteReliabilityReport(s.net, s.b.ui(), s.buffers, out.c_str(), ini), 1);
    EXPECT_EQ(s.buffers.designD0, 3.5f);
    const std::string heading = "\n类 照准名---权-- --r--  --R-- --R'-\n";
    EXPECT_EQ(testing::ReadAll(out), "\n====可靠性分析====\n" + heading + "     A\n m=0.001000 a0=0.1% b0=90% d0=3.50\n"
                                     "h     B    1.000  0.25  7.00  6.06\n"
                                     "h     B    1.000  0.00350000.00350000.00\n"
                                     "           [r]=  0.25\n" +
                                         heading + "     B\n m=0.001000 a0=0.1% b0=90% d0=3.50\n           [r]=  0.00\n");

    // Without the profile the default text gives d0 = 4.13.
    std::string text;
    float d0 = 0.0f;
    ReadDesignParameters(dir.File("none.ini"), text, d0);
    EXPECT_EQ(std::pair(text, d0), std::pair(std::string(DesignDefault), 4.13f));
    testing::WriteAll(ini, "[Design Para]\nD0=7.5\n");  // shorter than four characters: read whole
    ReadDesignParameters(ini, text, d0);
    EXPECT_EQ(d0, 7.5f);
}

TEST(ReliabilityReport, NoWeightTableNoReport) {
    Station s;
    s.b.Point("A", 0, 0);
    s.net.hdr.planeSigma0 = 1e-5f;
    testing::TempDir dir;
    const std::string out = dir.File("r.txt");
    EXPECT_EQ(WriteReliabilityReport(s.net, s.b.ui(), s.buffers, out.c_str(), dir.File("q.ini")), 0);
    EXPECT_EQ(s.b.ui().Texts(), (Strings{"无粗差\\可靠性信息, 不能进行粗差分析!"}));
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A 4 x 4 grid of points 500 m apart with directions to every point within 750 m and
// distances to the direct neighbours, two fixed corners, noise of 1" and 1 mm; one direction
// carries 20" more. Its standardised residual is the largest of the report and is marked.
TEST(ReliabilityReport, PlantedGrossErrorIsFound) {
    Network net;
    testing::NetworkBuilder b(net);
    std::vector<std::string> names;
    std::vector<testing::TruePoint> pts;
    for (int k = 0; k < 16; ++k) names.push_back("G" + std::to_string(k / 4) + std::to_string(k % 4));
    for (int k = 0; k < 16; ++k)
        pts.push_back({names[size_t(k)].c_str(), 10000.0 + 500.0 * (k / 4), 20000.0 + 500.0 * (k % 4), k % 15 == 0, 0.3 * k});
    std::vector<testing::Sighting> sightings;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j) {
            const double d = std::hypot(pts[size_t(i)].x - pts[size_t(j)].x, pts[size_t(i)].y - pts[size_t(j)].y);
            if (i == j || d > 750.0) continue;
            sightings.push_back({i + 1, j + 1, KindDirection});
            if (d < 600.0 && i < j) sightings.push_back({i + 1, j + 1, KindDistance});
        }
    const double second = 4.84813681109536e-6;
    testing::BuildPlaneNetwork(b, pts, sightings, second, 0.001, 7, 0.05);
    net.hdr.dirSigma = float(second);
    net.hdr.distSigmaConst = 0.001f;
    net.hdr.distSigmaPpm = 0.0f;
    const int station = 6;  // G11
    int planted = 0;
    for (int o = net.Point(station).firstObs; o != 0 && planted == 0; o = net.Obs(o).next)
        if (KindOf(net.Obs(o)) == KindDirection && net.Obs(o).target == 7) planted = o;
    ASSERT_NE(planted, 0);
    net.Obs(planted).value += 20.0 * second;
    ASSERT_EQ(RunAdjustment(net, b.ui(), MethodIteration, 0, 5), ResultDone);

    ReportBuffers buffers;
    double largest = 0.0, plantedW = 0.0;
    std::string plantedLine;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        ASSERT_EQ(FormatStationReliability(net, buffers, int16_t(i - 1)), 1);
        for (const std::string& line : buffers.detailLines) {
            if (line[0] != 'c' && line[0] != 'd') continue;
            const double w = std::stod(line.substr(33, 6));
            largest = std::max(largest, w);
            if (i == station && line.substr(1, 6) == "   G12" && line[0] == 'c') plantedW = w, plantedLine = line;
        }
    }
    EXPECT_EQ(plantedW, largest) << plantedLine;
    EXPECT_GT(plantedW, 5.0);
    EXPECT_EQ(plantedLine.back(), '*');
}

}  // namespace
}  // namespace quenvar
