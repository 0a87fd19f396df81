// The approximate coordinates and heights: loci meeting at a point, the propagation through a
// network and its double solutions, trigonometric height differences and slope reductions.
#include "approx/calculate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <numeric>
#include <random>

#include "approx/intersections.h"
#include "approx/propagation.h"
#include "approx/trig_heights.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

// Plane networks generated from true coordinates without noise: a correct calculation gives the
// truth back.
struct SyntheticNetwork {
    explicit SyntheticNetwork(Network& n) : net(n), b(n), truth(1) {}
    Network& net;
    testing::NetworkBuilder b;
    std::vector<std::pair<double, double>> truth;  // X, Y by point index

    int Add(const std::string& name, double x, double y, bool known) {
        truth.emplace_back(x, y);
        return known ? b.Point(name, x, y, 0, PointKnown) : b.Point(name, 0, 0);
    }
    // Every station's zero direction points elsewhere.
    static double Orientation(int s) { return std::fmod(0.7137 * s, 2 * M_PI); }
    double Azimuth(int s, int t) const {
        return std::fmod(std::atan2(truth[t].second - truth[s].second, truth[t].first - truth[s].first) + 2 * M_PI, 2 * M_PI);
    }
    int Direction(int s, int t) { return b.Obs(s, t, KindDirection, std::fmod(Azimuth(s, t) - Orientation(s) + 2 * M_PI, 2 * M_PI)); }
    int Distance(int s, int t) {
        return b.Obs(s, t, KindDistance, std::hypot(truth[t].first - truth[s].first, truth[t].second - truth[s].second));
    }
    // Largest |dX| + |dY| between computed and true positions.
    double WorstPlaneError(double worst = 0.0) const {
        for (size_t p = 1; p < truth.size(); ++p)
            worst = std::max(worst, std::fabs(net.Point(int(p)).x - truth[p].first) + std::fabs(net.Point(int(p)).y - truth[p].second));
        return worst;
    }
};

// One traverse winding row by row through a rows x cols grid of jittered points from its first two,
// which are known: azimuth, direction and distance to the next station and the direction back.
// Points are numbered shuffled, so the propagation comes back again and again. Indices by cell.
inline std::vector<int> BuildTraverse(SyntheticNetwork& g, int rows, int cols, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-20.0, 20.0);
    auto cellAt = [cols](int k) { return k / cols * cols + (k / cols % 2 ? cols - 1 - k % cols : k % cols); };
    std::vector<int> order(size_t(rows * cols), 0), index(order.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t k = 0; k < order.size(); ++k) {
        const int cell = order[k];
        index[size_t(cell)] = g.Add("G" + std::to_string(k), 30000.0 + 100.0 * (cell / cols) + jitter(rng),
                                    50000.0 + 100.0 * (cell % cols) + jitter(rng), cell == cellAt(0) || cell == cellAt(1));
    }
    for (int k = 1; k < rows * cols; ++k) {
        const int s = index[size_t(cellAt(k - 1))], next = index[size_t(cellAt(k))];
        g.b.Obs(s, next, KindAzimuth, g.Azimuth(s, next));
        g.Direction(s, next);
        g.Distance(s, next);
        g.Direction(next, s);
    }
    return index;
}

class CalculateTest : public ::testing::Test {
protected:
    Network net;
    SyntheticNetwork g{net};
    testing::NetworkBuilder& b = g.b;
    testing::RecordingMessenger& ui = b.ui();
};

TEST_F(CalculateTest, PlaneNetworkFixedEveryWay) {
    const int stray = g.Add("X", 0, 0, false);  // observed by nobody
    const int p4 = g.Add("P4", 1380, 1390, false), p3 = g.Add("P3", 1300, 1300, false);  // numbered against
    const int p2 = g.Add("P2", 1250, 1180, false), p1 = g.Add("P1", 1120, 1090, false);  // the traverse
    const int a = g.Add("A", 900, 1050, true), bk = g.Add("B", 1000, 1000, true), c = g.Add("C", 1000, 1100, true);
    const int fwd = g.Add("F", 1050, 1050, false), res = g.Add("R", 960, 1160, false);
    const int d = g.Add("D", 900, 900, false);                                    // on three circles
    const int m = g.Add("M", 1080, 1040, false), q = g.Add("Q", 1130, 1010, false);  // M on two, Q placed from M
    const int path[] = {a, bk, p1, p2, p3, p4};
    for (int k = 1; k < 5; ++k) {
        g.Direction(path[k], path[k - 1]);
        g.Direction(path[k], path[k + 1]);
        g.Distance(path[k], path[k + 1]);
    }
    for (const auto& [s, t] : {std::pair{bk, fwd}, {c, bk}, {c, fwd}, {res, a}, {res, c}, {res, p1}, {m, bk}, {m, q}}) g.Direction(s, t);
    g.Distance(a, d);
    const int redundant = b.Obs(a, d, KindDistance, 70.0), second = g.Distance(bk, d);
    for (const auto& [s, t] : {std::pair{c, d}, {bk, m}, {c, m}, {m, q}}) g.Distance(s, t);
    for (const int answer : {1, 0}) {
        net.Point(stray).x = 12.0;
        net.hdr.optionFlags = 0x01E1;
        ui.messages.clear();
        ui.answers = {answer};
        ASSERT_EQ(Calculate(net, ui), 1);
        ASSERT_EQ(ui.Texts(), std::vector<std::string>{" \"M     \"点出现双解, 请选择(Y->＋,N->×):"});
        EXPECT_EQ(ui.messages[0].kind, MsgQuestion);
        EXPECT_EQ(net.hdr.optionFlags, 0x0101);
        EXPECT_NEAR(net.Point(m).x, answer ? 1080.0 : 920.0, 1e-4);  // No: the mirror image in BC
        EXPECT_NEAR(DistanceBetween(net, m, q), std::hypot(50.0, 30.0), 1e-6);  // propagation went on
    }
    for (const int p : {m, q}) net.Point(p).x = g.truth[size_t(p)].first, net.Point(p).y = g.truth[size_t(p)].second;
    EXPECT_LT(g.WorstPlaneError(), 1e-6);
    EXPECT_EQ(LocusKind(net.Station(res)), LocusAngleCircle);
    // P1 was oriented from B's direction to it, which then became an ordinary used observation (2).
    // D: the circle about A again adds nothing (2); the distance that left two solutions was
    // released and then checked against the fix (1).
    EXPECT_NEAR(net.Station(p1).orientation, SyntheticNetwork::Orientation(p1), 1e-9);
    EXPECT_EQ(StateBits(net.Obs(net.Point(p1).firstObs)) * 100 + StateBits(net.Obs(redundant)) * 10 + StateBits(net.Obs(second)), 221);
    EXPECT_NEAR(net.Obs(second).residual, 0.0, 1e-4);
}

// An excluded point never counts as located, so settling its double solution must not release
// the distance that produced it: that would rebuild the same question without end.
TEST_F(CalculateTest, ExcludedPointWithTwoSolutionsIsAskedOnce) {
    const int a = g.Add("A", 1000, 1000, true), bk = g.Add("B", 1000, 1100, true), x = g.Add("X", 1050, 1050, false);
    SetPlaneClass(net.Point(x), PointExcluded);
    g.Distance(a, x);
    g.Distance(bk, x);
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(CalculateTest, MisclosuresAreStoredOnceAndWrapped) {
    const int s = g.Add("S", 1000, 1000, true), n = g.Add("N", 1100, 1000, true);  // N due north
    SetOrientState(net.Station(s), 1);
    net.Station(s).orientation = 1.0;  // directions 5.2 and 4.9 give azimuths 6.2 and 5.9
    const int far = b.Obs(s, n, KindDirection, 5.2), near = b.Obs(s, n, KindDirection, 4.9), d = b.Obs(s, n, KindDistance, 100.02);
    Workspace w(net);
    for (const int o : {far, near, d}) EXPECT_EQ(ProcessObservation(w, s, o), 1);
    EXPECT_EQ(ProcessObservation(w, s, d), 0);  // stored once
    EXPECT_TRUE(net.Obs(far).residual == float(6.2 - 6.2831853072) && net.Obs(near).residual == float(5.9));
    EXPECT_NEAR(net.Obs(d).residual, 0.02, 1e-5);
}

TEST_F(CalculateTest, HeightNetworkAlongLevellingLinesAndTrigonometricSights) {
    net.hdr.heightMode = 1;
    const int a = b.Point("A", 5000, 5000, 100.0, PointKnown, PointKnown), m = b.Point("M", 5000, 5500, 7.0);  // stale
    const int c = b.Point("C", 5400, 5800), d = b.Point("D", 4000, 5000), lost = b.Point("L", 1, 1, 3.0);
    b.Obs(a, m, KindLevelled, 1.25);
    b.Obs(d, a, KindLevelled, -2.0);
    for (const auto& [s, t, kind, value] : {std::tuple{m, m, KindInstrument, 1.5}, {m, c, KindTargetHeight, 2.0}, {m, c, KindVertical, 0.01}})
        b.Obs(s, t, kind, value);
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
    const double k = 0.86 / (2 * 6372000.0), stays = -1.0;
    struct Case { int kind; bool back; double value; int kind2; double value2, slope, expected; };
    const Case cases[] = {
        {KindZenith, false, 1.570796327, -1, 0, 1000, std::sqrt(1e6 - std::pow(1e6 * k, 2))},
        {KindVertical, false, 0.2, -1, 0, 1000, std::sqrt(1e6 - std::pow(1000 * std::sin(0.2) + 1e6 * k, 2))},
        {KindTrigHeight, true, -14.0, -1, 0, 50, 48.0},
        {KindLevelled, true, -30.0, KindTrigHeight, 40.0, 50, 40.0},  // levelling first
        {KindLevelled, false, -10.0, -1, 0, 10, 0.0},                  // a fall of the whole slope
        {KindLevelled, true, 10.5, -1, 0, 10, stays},
        {KindDistance, false, 999.0, KindZenith, 1.5, 1000, stays},
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
        const bool kept = cases[i].expected == stays;
        EXPECT_EQ(KindOf(net.Obs(slopes[i])), kept ? KindSlope : KindDistance) << i;
        EXPECT_NEAR(net.Obs(slopes[i]).value, kept ? cases[i].slope : cases[i].expected, 1e-9) << i;
    }
}

// The calculation done plainly, every station on every pass while any pass changes something,
// then the first double solution in point order put to the user, must end in the same records
// and ask the same questions as Calculate.
void ExpectSameAsPlainPasses(Network& net, testing::RecordingMessenger& ui) {
    Network plain = net;
    testing::RecordingMessenger plainUi;
    plainUi.answers = ui.answers;
    ASSERT_EQ(Calculate(net, ui), 1);
    ASSERT_TRUE(plain.hdr.heightMode == 0 || ComputeTrigHeights(plain, plainUi) == 1);
    Workspace w(plain);
    for (int p = 0; p <= plain.hdr.pointCount; ResolveDoubleSolution(w, plainUi, p)) {
        for (bool changed = true; changed;) {
            changed = false;
            for (int i = 1; i <= plain.hdr.pointCount; ++i) changed = ProcessStation(w, i) != 0 || changed;
        }
        for (p = 1; p <= plain.hdr.pointCount && FixStateOf(plain.Point(p)) != FixDouble; ++p) {
        }
    }
    EXPECT_EQ(ui.Texts(), plainUi.Texts());
    auto same = [](const auto& a, const auto& b) { return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0; };
    EXPECT_TRUE(same(net.points, plain.points) && same(net.stations, plain.stations) && same(net.obs, plain.obs));
}

// A noise-free plane network with resections and double solutions, then heights of the same
// points along levelling lines and trigonometric sights that do not close, so the order shows.
TEST(CalculateSynthetic, PlaneThenHeightNetwork) {
    Network net;
    SyntheticNetwork g(net);
    testing::RecordingMessenger& ui = g.b.ui();
    const int cols = 12, n = 8 * cols;
    const std::vector<int> grid = BuildTraverse(g, n / cols, cols, 7);
    std::vector<int> asked;  // extras in grid squares: resections, points on two or three circles
    for (int k = 2; k + cols + 1 < n; k += 7) {
        const auto [x, y] = g.truth[size_t(grid[size_t(k)])];
        const int r = g.Add("R" + std::to_string(k), x + 50, y + 55, false), d = g.Add("D" + std::to_string(k), x + 70, y + 20, false);
        for (const int j : {k, k + 1, k + cols}) g.Direction(r, grid[size_t(j)]);
        for (const int j : {k, k + cols + 1}) g.Distance(grid[size_t(j)], d);
        if (k % 2 == 0) g.Distance(grid[size_t(k + 1)], d);
        if (k % 2 == 1) asked.push_back(d);
        ui.answers.push_back(k % 3 != 0);
    }
    ExpectSameAsPlainPasses(net, ui);
    EXPECT_EQ(ui.messages.size(), asked.size());
    for (const int d : asked) net.Point(d).x = g.truth[size_t(d)].first, net.Point(d).y = g.truth[size_t(d)].second;  // maybe mirrored
    EXPECT_LT(g.WorstPlaneError(), 1e-6);

    net.hdr.heightMode = 1;
    ui.messages.clear();
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 0.005);
    auto height = [](int cell) { return 50.0 + cell % 7 + 0.3 * (cell / cols); };
    for (int cell = 0; cell < n; ++cell) {  // levelling along rows, trigonometric sights down columns
        const int s = grid[size_t(cell)], below = (cell + cols) % n, t = grid[size_t(below)], known = cell % 37 == 0;
        SetHeightClass(net.Point(s), known);
        net.Point(s).h = known * height(cell);
        if (cell % cols + 1 < cols) g.b.Obs(s, grid[size_t(cell + 1)], KindLevelled, height(cell + 1) - height(cell) + noise(rng));
        g.b.Obs(s, s, KindInstrument, 1.5);
        g.b.Obs(s, t, KindTargetHeight, 1.5);
        g.b.Obs(s, t, KindVertical, std::atan2(height(below) - height(cell), DistanceBetween(net, s, t)) + noise(rng) / 300.0);
    }
    ExpectSameAsPlainPasses(net, ui);
    for (int cell = 0; cell < n; ++cell) EXPECT_NEAR(net.Point(grid[size_t(cell)]).h, height(cell), 0.1) << cell;
}

TEST(CalculateSynthetic, FullSizeNetworkTakesWellUnderASecond) {
    Network net;
    SyntheticNetwork g(net);
    BuildTraverse(g, 50, 60, 11);  // 3000 shuffled points
    ASSERT_GE(net.hdr.obsCount, 11990);
    const std::clock_t start = std::clock();
    ASSERT_EQ(Calculate(net, g.b.ui()), 1);
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 1.0);
    // Each leg's azimuth is wrapped with the rounded full circle (2e-11 rad off 2 pi): along
    // 3000 legs up to some 1e-6 m may add up.
    EXPECT_LT(g.WorstPlaneError(), 1e-5);
    EXPECT_TRUE(g.b.ui().messages.empty());
}

class TrigHeightTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int p = b.Point("P", 1000, 1000), t = b.Point("T", 2000, 1000), q = b.Point("Q", 0, 0);  // Q: no coordinates

    double Trig(int s, int target) { return net.Obs(FindObservation(net, s, target, KindTrigHeight)).value; }
};

TEST_F(TrigHeightTest, HeightDifferencesFromTheFormulaOnceForEverySight) {
    // P -> Q: the length only from Q's slope distance back to P; T -> P: P's target height on its own line.
    for (const auto& [s, target, kind, value] : {std::tuple{p, p, KindInstrument, 1.6}, {p, t, KindTargetHeight, 1.6}, {p, t, KindVertical, 0.0},
                                                  {t, t, KindInstrument, 1.6}, {p, p, KindTargetHeight, 1.6}, {q, p, KindSlope, 802.5},
                                                  {q, q, KindTargetHeight, 2.0}, {p, q, KindZenith, 1.52}})
        b.Obs(s, target, kind, value);
    b.Obs(t, p, KindZenith, 1.570796327, ClassSpecial);
    for (int run = 0; run < 2; ++run) ASSERT_EQ(ComputeTrigHeights(net, b.ui()), 1);
    EXPECT_EQ(net.hdr.refraction, 0.14);
    EXPECT_NEAR(Trig(p, t), 0.067483, 5e-7);  // level over 1000 m: 0.86 * 1000^2 / (2 * 6372000)
    EXPECT_NEAR(Trig(t, p), 0.067483, 5e-7);
    EXPECT_EQ(ObsClassOf(net.Obs(FindObservation(net, t, p, KindTrigHeight))), ClassSpecial);
    const double alpha = 1.570796327 - 1.52, d = 802.5 * std::cos(alpha);
    EXPECT_NEAR(Trig(p, q), d * std::tan(alpha) + 1.6 - 2.0 + 0.86 * d * d / (2 * 6372000.0), 1e-9);
    EXPECT_EQ(net.hdr.obsCount, 12);  // one record per sight, after two runs
    EXPECT_TRUE(b.ui().messages.empty());
}

TEST_F(TrigHeightTest, MissingIngredientsStopWithAMessageNamingThePointIndices) {
    const int sight = b.Obs(p, t, KindVertical, 0.01);
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    const int i = b.Obs(p, p, KindInstrument, 0.0);  // 0 counts as missing
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.Obs(i).value = 1.5;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    b.Obs(p, t, KindTargetHeight, 1.7);
    net.Point(t).x = 0.0;
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.Point(t).x = 2000.0;
    net.hdr.capacityStep = 3;  // no room for another observation
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    net.hdr.capacityStep = 2;
    const int nowhere = b.Obs(p, 0, KindVertical, 0.01);  // a sight at no point is still a sight
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_EQ(b.ui().Texts(), (std::vector<std::string>{"测站1无仪器高", "测站1无仪器高", "站1的2无照准高", "无法得到站1到2的距离",
                                                         "no enough space", "站1到2的高差已无存放空间", "站1的0无照准高"}));
    b.ui().messages.clear();
    for (const int o : {sight, nowhere}) net.Obs(o).code = MakeCode(KindVertical, ClassKept);
    b.Obs(q, t, KindZenith, 0.5);  // 1.07 rad above the horizon: stops without a word
    EXPECT_EQ(ComputeTrigHeights(net, b.ui()), 0);
    EXPECT_TRUE(b.ui().messages.empty());
}

// Where two loci of a point meet; the records the propagation passes over (a-priori error
// records, verbatim and rejected observations); repeated directions at an unoriented station.

class IntersectionTest : public ::testing::Test {
protected:
    Network net;
    testing::NetworkBuilder b{net};
    int o = b.Point("O", 0, 0), n = b.Point("N", 0, 100), a = b.Point("A", 10, 10), q = b.Point("Q", 10, 110);
    int c = b.Point("C", 60, 40), e = b.Point("E", 110, 10), u = b.Point("U", 0, 0);

    void Locus(int record, int kind, int ref, int ref2, double value) {
        SetLocusRef(net.Station(record), ref);
        SetLocus(net.Station(record), kind, ref2);
        net.Station(record).locusValue = value;
    }
};

TEST_F(IntersectionTest, SecondLocusFixesThePointOrLeavesTwoCandidates) {
    struct Case { int ownKind, ownRef, ownRef2; double ownValue; int newKind, newRef; double newValue; int result; double x1, y1, x2, y2; };
    const Case cases[] = {
        {LocusRay, o, 0, M_PI / 4, LocusRay, n, 7 * M_PI / 4, 5, 50, 50, 0, 0},
        {LocusRay, o, 0, M_PI / 4, LocusRay, n, M_PI / 4, 0, 0, 0, 0, 0},          // parallel
        {LocusRay, o, 0, 5 * M_PI / 4, LocusRay, n, 7 * M_PI / 4, 0, 0, 0, 0, 0},  // crossing behind O
        {LocusCircle, a, 0, 30, LocusRay, a, M_PI / 2, 5, 10, 40, 0, 0},         // ray from the centre
        // North from A through the circle about C: foot of the perpendicular 50 m ahead, half chord 40 m.
        {LocusRay, a, 0, 0, LocusCircle, c, 50, 2, 100, 10, 20, 10},
        {LocusCircle, a, 0, 50, LocusCircle, e, 50, 2, 60, 10, 60, 10},  // tangent
        {LocusCircle, a, 0, 50, LocusCircle, q, 30, 0, 0, 0, 0, 0},
        // AQ seen under a right angle: Thales' circle about (10, 60) of radius 50; of its points
        // 70.7 m from A, (60, 60) sees Q 3 pi/2 clockwise from A and is rejected.
        {LocusAngleCircle, a, q, M_PI / 2, LocusCircle, a, 50 * std::sqrt(2.0), 5, -40, 60, 0, 0},
    };
    for (const Case& t : cases) {
        SetFixState(net.Point(u), FixNone);
        net.Point(u).x = net.Point(u).y = 0.0;
        Workspace w(net);
        Locus(u, t.ownKind, t.ownRef, t.ownRef2, t.ownValue);
        Locus(0, t.newKind, t.newRef, 0, t.newValue);
        ASSERT_EQ(MergeLocus(w, u), t.result) << &t - cases;
        EXPECT_EQ(FixStateOf(net.Point(u)), t.result == 5 ? FixComputed : t.result == 2 ? FixDouble : FixNone);
        float xs[2], ys[2];  // the candidates as 4-byte floats: X1 X2 in x, Y1 Y2 in y
        std::memcpy(xs, &net.Point(u).x, 8);
        std::memcpy(ys, &net.Point(u).y, 8);
        const double got[] = {xs[0], ys[0], xs[1], ys[1]};
        const double want[] = {t.x1, t.y1, t.x2, t.y2};
        for (int k = 0; k < 4 && t.result == 2; ++k) EXPECT_NEAR(got[k], want[k], 1e-4) << &t - cases;
        EXPECT_NEAR(+net.Point(u).x, t.result == 2 ? +net.Point(u).x : t.x1, 1e-9) << &t - cases;
        EXPECT_NEAR(+net.Point(u).y, t.result == 2 ? +net.Point(u).y : t.y1, 1e-9) << &t - cases;
    }
}


// Known K1 (1000, 1000) and K2 due east of it; P at 500 m from K1 in the direction of
// (1300, 1400), fixed by a direction and a distance from K1. A record of class `recordClass`
// of kind distance with the value 0.003 m comes before the distance when recordClass >= 0.
int DirectionAndDistance(Network& net, int recordClass, int distanceClass = ClassOrdinary) {
    testing::NetworkBuilder b(net);
    const int k1 = b.Point("K1", 1000, 1000, 0, 1), k2 = b.Point("K2", 1000, 2000, 0, 1), p = b.Point("P", 0, 0);
    b.Obs(k1, k2, KindDirection, 1.5707963267948966);
    b.Obs(k1, p, KindDirection, std::atan2(400.0, 300.0));
    if (recordClass >= 0) b.Obs(k1, p, KindDistance, 0.003, recordClass);
    b.Obs(k1, p, KindDistance, 500.0, distanceClass);
    return p;
}

TEST(PropagationTest, ErrorRecordsAndSetAsideObservationsGiveNoLocus) {
    // A planned distance is used: a design network gets its starts from planned observations.
    for (const int cls : {int(ClassVerbatim), int(ClassSigma), int(ClassRejected), -1}) {
        Network net;
        const int p = cls < 0 ? DirectionAndDistance(net, -1, ClassPlanned) : DirectionAndDistance(net, cls);
        testing::RecordingMessenger ui;
        ASSERT_EQ(Calculate(net, ui), 1);
        EXPECT_NEAR(net.Point(p).x, 1300.0, 1e-9) << cls;
        EXPECT_NEAR(net.Point(p).y, 1400.0, 1e-9) << cls;
    }
}

// Unknown R at (2000, 2000) with directions (circle zero in azimuth 0.4) to the known K1, K2,
// K3, the first one repeated when `repeat` is set.
int Resection(Network& net, bool repeat) {
    testing::NetworkBuilder b(net);
    const double known[3][2] = {{3000, 2100}, {1900, 3200}, {1200, 1300}};
    const int r = b.Point("R", 0, 0);
    for (int k = 0; k < 3; ++k) b.Point("K" + std::to_string(k + 1), known[k][0], known[k][1], 0, 1);
    for (int k = 0; k < 3; ++k) {
        const double az = std::atan2(known[k][1] - 2000.0, known[k][0] - 2000.0);
        b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4));
        if (k == 0 && repeat) b.Obs(r, k + 2, KindDirection, NormalizeAngle(az - 0.4 + 2e-6));
    }
    return r;
}

TEST(PropagationTest, RepeatedDirectionAtAnUnorientedStationStillGivesAResection) {
    Network net;
    const int r = Resection(net, true);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(net, ui), 1);
    EXPECT_TRUE(HasPlaneCoords(net, r));
    EXPECT_NEAR(net.Point(r).x, 2000.0, 1e-6);
    EXPECT_NEAR(net.Point(r).y, 2000.0, 1e-6);
    EXPECT_TRUE(ui.Texts().empty());
}

// Networks without such records or repetitions keep their results to the last bit: the
// digests were taken from the calculation before the change.
TEST(PropagationTest, OtherNetworksKeepTheirResults) {
    Network plain;
    DirectionAndDistance(plain, -1);
    testing::RecordingMessenger ui;
    ASSERT_EQ(Calculate(plain, ui), 1);
    EXPECT_EQ(testing::ResultDigest(plain), 0x370677232956AB5Full);
    Network resection;
    Resection(resection, false);
    ASSERT_EQ(Calculate(resection, ui), 1);
    EXPECT_EQ(testing::ResultDigest(resection), 0x8889066623086B9Dull);
}

}  // namespace
}  // namespace quenvar
