#include "approx/calculate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "approx/intersections.h"
#include "approx/propagation.h"
#include "approx/trig_heights.h"
#include "frame/library_state.h"
#include "geom/network_geometry.h"
#include "quenvar.h"
#include "tests/approx/synthetic_network.h"

namespace quenvar {
namespace {

using testing::SyntheticNetwork;

class CalculateTest : public ::testing::Test {
protected:
    Network net;
    SyntheticNetwork g{net};
    testing::RecordingMessenger& ui = g.ui();
    testing::NetworkBuilder& b = g.builder();
};

TEST_F(CalculateTest, IntersectionResectionTraverseAndReciprocalOrientation) {
    const int stray = g.Unknown("X", 700, 700);  // observed by nobody
    const int p4 = g.Unknown("P4", 1380, 1390), p3 = g.Unknown("P3", 1300, 1300);  // numbered against
    const int p2 = g.Unknown("P2", 1250, 1180), p1 = g.Unknown("P1", 1120, 1090);  // the traverse
    const int a = g.Known("A", 900, 1050), bk = g.Known("B", 1000, 1000), c = g.Known("C", 1000, 1100);
    const int fwd = g.Unknown("F", 1050, 1050), res = g.Unknown("R", 960, 1160);
    const int path[] = {a, bk, p1, p2, p3, p4};
    for (int k = 1; k < 5; ++k) {
        g.Direction(path[k], path[k - 1]);
        g.Direction(path[k], path[k + 1]);
        g.Distance(path[k], path[k + 1]);
    }
    g.Direction(bk, fwd);  // forward intersection from B and C
    g.Direction(c, bk);
    g.Direction(c, fwd);
    for (const int t : {a, c, p1}) g.Direction(res, t);  // resection on A, C and P1
    net.Point(stray).x = 12.0;
    net.hdr.optionFlags = 0x01E1;
    ASSERT_EQ(Calculate(net, ui), 1);
    for (const int p : {p1, p2, p3, p4, fwd, res}) {
        EXPECT_NEAR(net.Point(p).x, g.Truth(p).x, 1e-6) << net.Point(p).name;
        EXPECT_NEAR(net.Point(p).y, g.Truth(p).y, 1e-6) << net.Point(p).name;
        EXPECT_EQ(FixStateOf(net.Point(p)), FixComputed);
    }
    EXPECT_EQ(LocusKind(net.Station(res)), LocusAngleCircle);
    // P1 was oriented from B's direction to it, which then became an ordinary used observation.
    EXPECT_NEAR(net.Station(p1).orientation, SyntheticNetwork::Orientation(p1), 1e-9);
    EXPECT_EQ(StateBits(net.Obs(net.Point(p1).firstObs)), 2);
    EXPECT_EQ(net.Point(stray).x, 0.0);
    EXPECT_EQ(net.hdr.optionFlags, 0x0101);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CalculateTest, MisclosuresAreStoredOnceAndWrapped) {
    const int s = g.Known("S", 1000, 1000), n = g.Known("N", 1100, 1000);  // N due north
    SetOrientState(net.Station(s), 1);
    net.Station(s).orientation = 1.0;
    const int far = b.Obs(s, n, KindDirection, 5.2), near = b.Obs(s, n, KindDirection, 4.9);
    const int d = b.Obs(s, n, KindDistance, 100.02);
    Workspace w(net);
    for (const int o : {far, near, d}) EXPECT_EQ(ProcessObservation(w, s, o), 1);
    EXPECT_EQ(ProcessObservation(w, s, d), 0);
    EXPECT_EQ(net.Obs(far).residual, float(6.2 - 6.2831853072));
    EXPECT_EQ(net.Obs(near).residual, float(5.9));
    EXPECT_NEAR(net.Obs(d).residual, 0.02, 1e-5);
}

TEST_F(CalculateTest, DoubleSolutionSettledByAThirdDistance) {
    const int a = g.Known("A", 1000, 1000), bk = g.Known("B", 1000, 1100), c = g.Known("C", 1090, 1000);
    const int p = g.Unknown("P", 1050, 1050);
    const int redundant = g.Distance(a, p);
    b.Obs(a, p, KindDistance, 70.0);  // same centre: adds nothing
    const int second = g.Distance(bk, p);
    g.Distance(c, p);
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_LT(g.WorstPlaneError(), 1e-6);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(StateBits(net.Obs(redundant + 1)), 2);
    // The distance that left two solutions was released and then checked against the fix.
    EXPECT_EQ(StateBits(net.Obs(second)), 1);
    EXPECT_NEAR(net.Obs(second).residual, 0.0, 1e-4);
}

TEST_F(CalculateTest, DoubleSolutionSettledByTheUserEitherWay) {
    const int a = g.Known("A", 1000, 1000), bk = g.Known("B", 1000, 1100);
    const int p = g.Unknown("P", 1050, 1050);  // its mirror image in AB is (950, 1050)
    const int q = g.Unknown("Q", 1100, 1080);  // placed from P once P is chosen
    g.Distance(a, p);
    g.Distance(bk, p);
    g.Direction(p, a);
    g.Direction(p, q);
    g.Distance(p, q);
    for (const int answer : {1, 0}) {
        ui.messages.clear();
        ui.answers = {answer};
        ASSERT_EQ(Calculate(net, ui), 1);
        ASSERT_EQ(ui.Texts(), std::vector<std::string>{" \"P     \"点出现双解, 请选择(Y->＋,N->×):"});
        EXPECT_EQ(ui.messages[0].kind, MsgQuestion);
        EXPECT_EQ(FixStateOf(net.Point(p)), FixComputed);
        EXPECT_NEAR(net.Point(p).x, answer ? 1050.0 : 950.0, 1e-4);
        EXPECT_NEAR(net.Point(p).y, 1050.0, 1e-4);
        EXPECT_NEAR(DistanceBetween(net, p, q), std::hypot(50.0, 30.0), 1e-6);  // propagation went on
    }
}

TEST_F(CalculateTest, HeightNetworkAlongLevellingLinesAndTrigonometricSights) {
    net.hdr.heightMode = 1;
    const int a = b.Point("A", 5000, 5000, 100.0, PointKnown, PointKnown);
    const int m = b.Point("M", 5000, 5500, 7.0);  // a stale height is cleared
    const int c = b.Point("C", 5400, 5800), d = b.Point("D", 4000, 5000), lost = b.Point("L", 1, 1, 3.0);
    b.Obs(a, m, KindLevelled, 1.25);
    b.Obs(d, a, KindLevelled, -2.0);
    b.Obs(m, m, KindInstrument, 1.5);
    b.Obs(m, c, KindTargetHeight, 2.0);
    b.Obs(m, c, KindVertical, 0.01);
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_DOUBLE_EQ(net.Point(m).h, 101.25);
    EXPECT_DOUBLE_EQ(net.Point(d).h, 102.0);
    EXPECT_NEAR(net.Point(c).h, 101.25 + 500 * std::tan(0.01) - 0.5 + 0.86 * 500 * 500 / (2 * 6372000.0), 1e-9);
    EXPECT_EQ(net.Point(lost).h, 0.0);
    b.Obs(m, lost, KindZenith, 1.5);  // no target height: stops before anything is cleared
    EXPECT_EQ(Calculate(net, ui), 0);
    EXPECT_DOUBLE_EQ(net.Point(m).h, 101.25);
}

TEST_F(CalculateTest, SlopeDistancesReducedByElevationOrHeightDifference) {
    const double k = 0.86 / (2 * 6372000.0), none = -1.0;
    struct Case { int kind; bool back; double value; int kind2; double value2; double slope, expected; };
    const Case cases[] = {
        {KindZenith, false, 1.570796327, -1, 0, 1000, std::sqrt(1e6 - std::pow(1e6 * k, 2))},
        {KindVertical, false, 0.2, -1, 0, 1000, std::sqrt(1e6 - std::pow(1000 * std::sin(0.2) + 1e6 * k, 2))},
        {KindTrigHeight, true, -14.0, -1, 0, 50, 48.0},
        {KindLevelled, true, -30.0, KindTrigHeight, 40.0, 50, 40.0},  // levelling first
        {KindLevelled, false, -10.0, -1, 0, 10, 0.0},                  // a fall of the whole slope
        {KindLevelled, true, 10.5, -1, 0, 10, none},
        {KindDistance, false, 999.0, KindZenith, 1.5, 1000, none},
    };
    std::vector<int> slopes;
    for (const Case& c : cases) {
        const int s = b.Point("S", 1, 1), t = b.Point("T", 2, 2);
        b.Obs(c.back ? t : s, c.back ? s : t, c.kind, c.value);
        if (c.kind2 >= 0) b.Obs(s, t, c.kind2, c.value2);
        slopes.push_back(b.Obs(s, t, KindSlope, c.slope));
    }
    ASSERT_EQ(Calculate(net, ui), 1);
    for (size_t i = 0; i < slopes.size(); ++i) {
        const ObsRec& r = net.Obs(slopes[i]);
        EXPECT_EQ(KindOf(r), cases[i].expected == none ? KindSlope : KindDistance) << i;
        EXPECT_NEAR(r.value, cases[i].expected == none ? cases[i].slope : cases[i].expected, 1e-9) << i;
    }
}

TEST_F(CalculateTest, DesignNetworkAsksBeforeClearing) {
    const int a = g.Known("A", 1000, 1000), p = g.Unknown("P", 1050, 1050);
    g.Distance(a, p);
    net.Point(p).x = 77.0;
    net.hdr.designMode = 1;
    ui.answers = {0, 1};
    EXPECT_EQ(Calculate(net, ui), 0);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"所有待定点坐标将被清零! 开始吗?"});
    EXPECT_EQ(net.Point(p).x, 77.0);
    EXPECT_EQ(Calculate(net, ui), 1);
    EXPECT_EQ(net.Point(p).x, 0.0);  // one circle does not fix it
}

TEST(CalculateExports, SetTheNetworkTypeAndWorkOnTheLibraryNetwork) {
    testing::NetworkBuilder b(Library().net);
    const int c = b.Point("C", 0, 0);
    b.Obs(b.Point("A", 1, 1, 50.0, PointKnown, PointKnown), c, KindLevelled, 0.5);
    EXPECT_EQ(zrHCalculate(), 1);
    EXPECT_DOUBLE_EQ(Library().net.Point(c).h, 50.5);
    EXPECT_EQ(zrXYCalculate(), 1);
    EXPECT_EQ(Library().net.hdr.heightMode, 0);
    FreeDatabase(Library().net);
}

// The calculation done plainly: every station on every pass while any pass changes something,
// then the first double solution in point order is put to the user; Calculate must end in the
// same records and ask the same questions.
void ExpectSameAsPlainPasses(Network& net, testing::RecordingMessenger& ui) {
    Network plain = net;
    testing::RecordingMessenger plainUi;
    plainUi.answers = ui.answers;
    ASSERT_EQ(Calculate(net, ui), 1);
    if (plain.hdr.heightMode != 0) {
        ASSERT_EQ(ComputeTrigHeights(plain, plainUi), 1);
    }
    Workspace w(plain);
    for (int p = 0;;) {
        for (bool changed = true; changed;) {
            changed = false;
            for (int i = 1; i <= plain.hdr.pointCount; ++i) changed = ProcessStation(w, i) != 0 || changed;
        }
        for (p = 1; p <= plain.hdr.pointCount && FixStateOf(plain.Point(p)) != FixDouble; ++p) {
        }
        if (p > plain.hdr.pointCount) break;
        ResolveDoubleSolution(w, plainUi, p);
    }
    EXPECT_EQ(ui.Texts(), plainUi.Texts());
    ASSERT_EQ(net.hdr.obsCount, plain.hdr.obsCount);
    EXPECT_EQ(std::memcmp(net.points.data(), plain.points.data(), net.points.size() * sizeof(PointRec)), 0);
    EXPECT_EQ(std::memcmp(net.stations.data(), plain.stations.data(), net.stations.size() * sizeof(StationRec)), 0);
    EXPECT_EQ(std::memcmp(net.obs.data(), plain.obs.data(), net.obs.size() * sizeof(ObsRec)), 0);
}

TEST(CalculateSynthetic, PlaneNetworkWithResectionsAndDoubleSolutions) {
    Network net;
    SyntheticNetwork g(net);
    const int cols = 12;
    const std::vector<int> grid = testing::BuildTraverses(g, 8, cols, 7, false);
    std::vector<int> asked;  // extras in grid squares: resections, points on two or three circles
    for (int k = 2; k + cols + 1 < int(grid.size()); k += 7) {
        const testing::TruePoint& t = g.Truth(grid[size_t(k)]);
        const int r = g.Unknown("R" + std::to_string(k), t.x + 50, t.y + 55);
        for (const int j : {k, k + 1, k + cols}) g.Direction(r, grid[size_t(j)]);
        const int d = g.Unknown("D" + std::to_string(k), t.x + 70, t.y + 20);
        for (const int j : {k, k + cols + 1}) g.Distance(grid[size_t(j)], d);
        if (k % 2 == 0) g.Distance(grid[size_t(k + 1)], d);
        if (k % 2 == 1) asked.push_back(d);
    }
    for (size_t i = 0; i < asked.size(); ++i) g.ui().answers.push_back(int(i % 2));
    ExpectSameAsPlainPasses(net, g.ui());
    EXPECT_EQ(g.ui().messages.size(), asked.size());
    for (const int d : asked) net.Point(d).x = g.Truth(d).x, net.Point(d).y = g.Truth(d).y;  // maybe mirrored
    EXPECT_LT(g.WorstPlaneError(), 1e-6);
}

TEST(CalculateSynthetic, HeightNetworkWithMisclosuresAndTrigonometricSights) {
    Network net;
    testing::NetworkBuilder b(net);
    net.hdr.heightMode = 1;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 0.005);  // loops do not close: order shows
    const int rows = 10, cols = 15;
    std::vector<int> order(rows * cols), index(order.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = int(k);
    std::shuffle(order.begin(), order.end(), rng);
    auto height = [](int cell) { return 50.0 + cell % 7 + 0.3 * (cell / cols); };
    for (size_t k = 0; k < order.size(); ++k) {
        const int cell = order[k], known = cell % 37 == 0 ? PointKnown : 0;
        index[size_t(cell)] = b.Point("H" + std::to_string(k), 1000.0 + 300 * (cell / cols), 1000.0 + 300 * (cell % cols),
                                      known ? height(cell) : 0.0, 0, known);
    }
    for (int cell = 0; cell < rows * cols; ++cell) {
        const int s = index[size_t(cell)];
        b.Obs(s, s, KindInstrument, 1.5);
        if (cell % cols + 1 < cols) b.Obs(s, index[size_t(cell + 1)], KindLevelled, height(cell + 1) - height(cell) + noise(rng));
        if (cell + cols >= rows * cols) continue;
        const int t = index[size_t(cell + cols)];
        b.Obs(s, t, KindTargetHeight, 1.5);
        b.Obs(s, t, KindVertical, std::atan((height(cell + cols) - height(cell)) / 300.0) + noise(rng) / 300.0);
    }
    ExpectSameAsPlainPasses(net, b.ui());
    for (int p = 1; p <= net.hdr.pointCount; ++p) EXPECT_NE(net.Point(p).h, 0.0) << p;
}

TEST(CalculateSynthetic, FullSizeNetworkTakesWellUnderASecond) {
    Network net;
    SyntheticNetwork g(net);
    testing::BuildTraverses(g, 50, 60, 11, true);  // one traverse through 3000 shuffled points
    ASSERT_GE(net.hdr.obsCount, 11990);
    std::timespec start{}, end{};
    std::timespec_get(&start, TIME_UTC);
    ASSERT_EQ(Calculate(net, g.ui()), 1);
    std::timespec_get(&end, TIME_UTC);
    const double seconds = double(end.tv_sec - start.tv_sec) + 1e-9 * double(end.tv_nsec - start.tv_nsec);
    std::printf("3000 points, %d observations: %.1f ms\n", int(net.hdr.obsCount), seconds * 1e3);
    EXPECT_LT(seconds, 1.0);
    // Each leg's azimuth is wrapped with the rounded full circle (2e-11 rad off 2 pi): along
    // 3000 legs up to some 1e-6 m may add up.
    EXPECT_LT(g.WorstPlaneError(), 1e-5);
    EXPECT_TRUE(g.ui().messages.empty());
}

}  // namespace
}  // namespace quenvar
