// The closure table, the loop details, the charts, the report and the window as a host sees it.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "closure/closure_window.h"
#include "closure/loop_chart.h"
#include "tests/closure/closure_networks.h"
#include "tests/netdb/file_test_support.h"
#include "tests/tools/document_parsers.h"
#include "ui/hook_window_host.h"
#include "ui/svg_surface.h"

namespace quenvar {
namespace {

using namespace testing;

struct Closures {
    Network net;
    NetworkBuilder b{net};
    ClosureState state;
    ReportBuffers reports;
    ClosureContext c{net, b.ui(), state, reports};
    double sigma = -1.0;

    int Compute(int kind) { return ComputeClosures(c, kind, sigma); }
    // A loop put into the list by hand, as the computation leaves it.
    ClosureLoop& Add(std::vector<int16_t> elements, bool closed, int kind, int orientation = 0) {
        state.loopList.push_back(std::make_unique<ClosureLoop>(MakeLoop(std::move(elements), closed, kind, orientation)));
        state.loopCount = int16_t(state.loopList.size());
        return *state.loopList.back();
    }
    LineList Detail(int i) {
        FormatLoopDetail(c, i);
        return reports.detailLines;
    }
};

TEST(ComputeClosures, PlaneTriangleLineWithDefaultErrorAndLimit) {
    // Three unknown points, every direction observed both ways, the direction 2 -> 1 6" too large.
    Closures t;
    t.b.Point("P1", 1000, 1000);
    t.b.Point("P2", 1000, 1800);
    t.b.Point("P3", 1600, 1300);
    for (int s = 1; s <= 3; ++s)
        for (int q = 1; q <= 3; ++q)
            if (s != q) Direction(t.b, t.net, s, q, s == 2 && q == 1 ? 6 * Arcsec : 0.0);
    t.net.hdr.dirSigma = 0.0f;  // replaced by the default before the limits are formed
    ASSERT_EQ(t.Compute(0), 1);
    EXPECT_EQ(t.net.hdr.dirSigma, 9.697e-5f);
    EXPECT_EQ(t.net.hdr.heightMode, 0);
    // 6" in d.mmss, three angles, 3 x 1.41421 x 20" x sqrt(3) = 0 deg 02' 26.98"
    EXPECT_EQ(t.reports.reportLines, LineList{"   1    0.00060    3.00   0.02270"});
    EXPECT_NEAR(t.sigma, 6 * Arcsec / std::sqrt(3.0), 1e-10);
}

// Points P1, P2 with a line levelled forth (value) and back (0): a closed loop of two steps,
// each step counting one kilometre.
void TwoStepLoop(Closures& t, double value) {
    t.b.Point("P1", 0, 0, 50.0, 0, 1);
    t.b.Point("P2", 0, 0);
    t.b.Obs(1, 2, KindLevelled, value);
    t.b.Obs(2, 1, KindLevelled, 0.0);
    t.net.hdr.levelSigma = 0.01f;
}

TEST(ComputeClosures, ExcessMarkAtTheLimitAndALimitFactorBelowOne) {
    // A closure equal to its limit is no excess; the next larger double is.
    const double limit = double((long double)0.01f * std::sqrt(2.0L) * 3.0L);
    for (const bool above : {false, true}) {
        Closures t;
        TwoStepLoop(t, above ? std::nextafter(limit, 1.0) : limit);
        t.Compute(1);
        EXPECT_EQ(t.reports.reportLines, LineList{std::string(above ? "*" : " ") + "  1    0.04243    2.00   0.04243"});
    }
    // A factor below one is used once, then replaced: 0.5 x 0.01 x sqrt(2) = 0.00707, exceeded.
    Closures t;
    TwoStepLoop(t, 0.02);
    t.net.hdr.closureLimitFactor = 0.5f;
    t.Compute(1);
    EXPECT_EQ(t.reports.reportLines, LineList{"*  1    0.02000    2.00   0.00707"});
    EXPECT_EQ(t.net.hdr.closureLimitFactor, 2.0f);
}

TEST(ComputeClosures, RefusedInADesignNetworkAndWithoutLoopsTheOldLinesStay) {
    Closures design;
    TwoStepLoop(design, 0.02);
    design.net.hdr.designMode = 1;
    EXPECT_EQ(design.Compute(1), 0);
    ASSERT_EQ(design.b.ui().messages.size(), 2u);
    EXPECT_EQ(design.b.ui().messages[0].kind, MsgQuestion);  // the calculation's own question
    EXPECT_EQ(design.b.ui().messages[1].text, "您的环境设置不允许进行闭合差计算");
    EXPECT_EQ(design.state.loopCount, 0);

    Closures none;
    none.b.Point("P1", 0, 0);
    none.b.Point("P2", 0, 0);
    none.b.Obs(1, 2, KindLevelled, 1.0);
    none.b.Obs(1, 2, KindLineLength, 100.0);
    none.reports.reportLines = {"earlier"};
    EXPECT_EQ(none.Compute(1), 0);
    EXPECT_EQ(none.b.ui().Texts(), LineList{"无闭合差"});
    EXPECT_EQ(none.reports.reportLines, LineList{"earlier"});
    EXPECT_TRUE(none.state.loopList.empty());
}

TEST(ComputeClosures, TraversesAloneGiveAStandardErrorOfZeroAndFreeLoopsEmptiesEverything) {
    Closures t;
    t.net = Traverse(false, false).net;
    ASSERT_EQ(t.Compute(0), 1);
    ASSERT_EQ(t.state.loopCount, 1);
    EXPECT_EQ(t.state.Loop(0)->Kind(), LoopTraverse);
    EXPECT_EQ(t.sigma, 0.0);
    FreeLoops(t.state);
    EXPECT_LT(t.state.loopCount, 1);
    EXPECT_EQ(t.state.Loop(0), nullptr);
    EXPECT_TRUE(t.state.triangleTable.empty());
}

TEST(ClosureReport, OneLevellingLoopOfThreePoints) {
    Closures t;
    TempDir dir;
    for (const char* n : {"BM1", "BM2", "BM3"}) t.b.Point(n, 0, 0);
    t.b.Obs(1, 2, KindLevelled, -0.500);
    t.b.Obs(2, 3, KindLevelled, -0.300);
    t.b.Obs(3, 1, KindLevelled, 0.788);
    ASSERT_EQ(WriteClosureReport(t.c, dir.File("report.txt").c_str(), 1), 1);
    // Travelled as BM3, BM2, BM1, BM3: 0.300 + 0.500 - 0.788 = 0.012 over three steps of 1 km
    // each; limit 3 x 0.01 x sqrt(3), standard error 0.012 / sqrt(3).
    EXPECT_EQ(ReadAll(dir.File("report.txt")),
              "\n====闭合差统计表====\n"
              "\n序号 —闭合差—  权倒数  —限差—\n"
              "   1    0.01200    3.00   0.05196\n"
              "观测值中误差(m) = [0.006928]\n"
              "序号  < 1 > 是 :闭合高程\n"
              "  BM3  BM2  BM1  BM3\n");
    EXPECT_EQ(t.state.loopCount, 0);  // freed once written
    EXPECT_TRUE(t.state.loopList.empty());
    EXPECT_EQ(WriteClosureReport(t.c, dir.File("none/report.txt").c_str(), 1), 0);
}

TEST(FormatLoopDetail, NamesInLinesOfNineThenTen) {
    Closures t;
    std::vector<int16_t> elements;
    for (int i = 1; i <= 23; ++i) elements.push_back(int16_t(t.b.Point("N" + std::to_string(i), 0, 0)));
    t.Add(elements, false, LoopDirection);
    EXPECT_EQ(t.Detail(0), (LineList{"序号  < 1 > 是 :附合方向", "  N1  N2  N3  N4  N5  N6  N7  N8  N9",
                                     "  N10  N11  N12  N13  N14  N15  N16  N17  N18  N19", "  N20  N21  N22  N23"}));
}

TEST(FormatLoopDetail, TraverseLinesByOrientation) {
    Closures t;
    for (const char* n : {"A0", "A", "P1", "P2", "B", "B0"}) t.b.Point(n, 0, 0);
    ClosureLoop& oriented = t.Add({1, 2, 3, 4, 5, 6}, false, LoopTraverse, TraverseOriented);
    oriented.traverse = std::make_unique<TraverseResult>(TraverseResult{0.0123, -0.0456, 1234.5, 2, 1});
    ClosureLoop& tiny = t.Add({1, 2, 3, 4, 5, 0}, false, LoopTraverse, TraverseSingleOriented);
    tiny.traverse = std::make_unique<TraverseResult>(TraverseResult{0.00001, 0.00002, 700.0, 2, 3});
    ClosureLoop& unoriented = t.Add({0, 2, 3, 4, 5, 0}, false, LoopTraverse, TraverseUnoriented);
    unoriented.traverse = std::make_unique<TraverseResult>(TraverseResult{0.05, 0.00001, 800.0, 0, 0});

    EXPECT_EQ(t.Detail(0), (LineList{"序号  < 1 > 是 :附合导线", "  A0  A  P1  P2  B  B0", "fx= 0.0123  fy=-0.0456",
                                     "fd= 0.0472  [s]= 1234  [ 1/26138  ]",
                                     "最大误差边=P1--P2   最大误差方向=A--P1"}));
    // A closure vector below 0.1 mm counts as 0.1 mm.
    EXPECT_EQ(t.Detail(1), (LineList{"序号  < 2 > 是 :附合单定向导线", "  A0  A  P1  P2  B", "fx= 0.0000  fy= 0.0000",
                                     "fd= 0.0001  [s]=  700  [ 1/7000000]",
                                     "最大误差边=P1--P2   最大误差方向=P2--B"}));
    EXPECT_EQ(t.Detail(2), (LineList{"序号  < 3 > 是 :附合无定向导线", "  A  P1  P2  B", "fd= 0.0500  [s]=  800  [ 1/16000  ]"}));
}

TEST(FormatLoopDetail, SideConditionsEmptyLoopsAndIndicesOutOfRange) {
    Closures t;
    t.Add({6, 2, 4, 8}, false, LoopSideCondition);
    ClosureLoop& failed = t.Add({1, 2, 1}, true, LoopHeight);
    failed.count = 0;  // its closure could not be computed
    t.Add({}, false, LoopEmpty);

    EXPECT_EQ(t.Detail(0), (LineList{"序号  < 1 > 是 :基线条件", "  P7:  P3:  P5:  P9:"}));
    EXPECT_EQ(FormatLoopDetail(t.c, 1), 0);
    EXPECT_EQ(t.reports.detailLines, LineList{"序号  < 2 > 是 :闭合高程"});
    EXPECT_EQ(FormatLoopDetail(t.c, 2), 0);
    EXPECT_EQ(t.reports.detailLines, LineList{"序号  < 3 > 是 :附合未知"});
    // Beyond the list, or once the loops are freed: nothing changes.
    EXPECT_EQ(FormatLoopDetail(t.c, 3), 0);
    EXPECT_EQ(FormatLoopDetail(t.c, -999), 1);
    EXPECT_EQ(FormatLoopDetail(t.c, 0), 0);
    EXPECT_EQ(t.reports.detailLines, LineList{"序号  < 3 > 是 :附合未知"});
}

// A closed loop A, B, C, A over 512 m in X and Y: with a 256 x 256 pixel chart area the scale
// is 0.5 pixel per metre.
struct ChartLoop : Closures {
    ChartLoop() {
        b.Point("A", 10000, 10000);
        b.Point("B", 10000, 10512);
        b.Point("C", 10512, 10000);
        Add({1, 2, 3, 1}, true, LoopDirection);
    }
};

TEST(DrawLoopChart, RecordedOperationsNorthUpWithNamesAndScale) {
    ChartLoop t;
    RecordingSurface dc;
    ASSERT_EQ(DrawLoopChart(t.net, t.state, 0, dc, 256 + 16, 256 + 32), 1);
    using K = DrawOpKind;
    // A at the bottom left, B east of it, C north of it; 5 pixels margin.
    const std::vector<DrawOp> expected{
        {K::TextOut, 5, 261, "A"}, {K::MoveTo, 5, 261, ""},   {K::LineTo, 261, 261, ""}, {K::TextOut, 261, 261, "B"},
        {K::MoveTo, 261, 261, ""}, {K::LineTo, 5, 5, ""},     {K::TextOut, 5, 5, "C"},     {K::MoveTo, 5, 5, ""},
        {K::LineTo, 5, 261, ""},   {K::TextOut, 5, 261, "A"}, {K::MoveTo, 5, 261, ""},   {K::TextOut, 10, 2, "1:6000"},
    };
    EXPECT_EQ(dc.ops, expected);
}

TEST(DrawLoopChart, NothingForSmallAreasMissingCoordinatesOrNoExtent) {
    ChartLoop t;
    RecordingSurface dc;
    EXPECT_EQ(DrawLoopChart(t.net, t.state, 0, dc, 55, 300), 0);  // 55 - 16 < 40
    EXPECT_EQ(DrawLoopChart(t.net, t.state, 0, dc, 300, 71), 0);  // 71 - 32 < 40
    EXPECT_EQ(DrawLoopChart(t.net, t.state, 1, dc, 300, 300), 0);  // no such loop
    t.net.Point(3).x = 10000.0005;  // C due east of A... within a millimetre: no extent in X
    EXPECT_EQ(DrawLoopChart(t.net, t.state, 0, dc, 300, 300), 0);
    t.net.Point(3).x = 0.0;
    t.net.Point(3).y = 0.0;  // C without coordinates
    EXPECT_EQ(DrawLoopChart(t.net, t.state, 0, dc, 300, 300), 0);
    EXPECT_TRUE(dc.ops.empty());
}

// The last point of an open chain is not in the chart's bounds: far off, or without a number
// for a coordinate, it is drawn at the far edge instead of at a wrapped pixel.
TEST(DrawLoopChart, LastPointFarOffTheChartIsHeldAtTheEdge) {
    ChartLoop t;
    t.b.Point("D", 6.1e10, 10000);
    t.b.Point("E", 10000, std::nan(""));
    t.Add({1, 2, 3, 4}, false, LoopDirection);
    t.Add({1, 2, 3, 5}, false, LoopDirection);
    using K = DrawOpKind;
    for (const int loop : {1, 2}) {
        RecordingSurface dc;
        ASSERT_EQ(DrawLoopChart(t.net, t.state, loop, dc, 256 + 16, 256 + 32), 1);
        ASSERT_EQ(dc.ops.size(), 12u);
        const DrawOp far = loop == 1 ? DrawOp{K::LineTo, 5, -1000000000, ""} : DrawOp{K::LineTo, -1000000000, 261, ""};
        EXPECT_EQ(dc.ops[8], far);
    }
}

TEST(DrawLoopChart, SideConditionDrawsItsTrianglesOnly) {
    ChartLoop t;
    t.b.Point("D", 10512, 10512);
    t.state.triangleTable.resize(4, TriangleRecord{});
    t.state.triangleTable[1] = TriangleRecord{{1, 2, 3, 1}, {0, 0, 0}, 0};
    t.state.triangleTable[2] = TriangleRecord{{2, 4, 3, 2}, {0, 0, 0}, 0};
    t.state.triangleTable[3] = TriangleRecord{{0, 1, 2, 0}, {0, 0, 0}, 0};  // a known side
    t.Add({3, 1, 2, 3}, true, LoopSideCondition);
    SvgSurface svg(272, 288);
    ASSERT_EQ(DrawLoopChart(t.net, t.state, 1, svg, 272, 288), 1);
    const std::string doc = svg.Document();
    EXPECT_NE(doc.find("points=\"5,261 261,261 5,5 5,261\""), std::string::npos);
    EXPECT_NE(doc.find("points=\"261,261 261,5 5,5 261,261\""), std::string::npos);
}

TEST(ClosureWindow, HostSelectsAndDrawsAndClosingFreesTheLoops) {
    Closures t;
    TempDir dir;
    // A triangle of directions; A is known, so the calculation keeps coordinates for the chart.
    t.b.Point("A", 10000, 10000, 0, 1);
    t.b.Point("B", 10000, 10512, 0, 1);
    t.b.Point("C", 10512, 10000);
    for (int s = 1; s <= 3; ++s)
        for (int q = 1; q <= 3; ++q)
            if (s != q) Direction(t.b, t.net, s, q);

    struct Host {
        std::vector<std::string> lines, details;
        int heading = 0, svg = 0;
        std::string svgPath;
    } host;
    host.svgPath = dir.File("loop.svg");
    HookWindowHost windows;
    windows.SetHook(
        [](const zrResultWindow* w, void* context) {
            auto* h = static_cast<Host*>(context);
            for (int i = 0; i < w->lineCount; ++i) h->lines.emplace_back(w->lines[i]);
            h->heading = w->select(w->window, 0);
            const int n = w->select(w->window, 1);
            for (int i = 0; i < n; ++i) h->details.emplace_back(w->detail(w->window, i));
            h->svg = w->drawSvg(w->window, 1, 300, 300, h->svgPath.c_str());
        },
        &host);
    ShowClosureWindow(t.c, windows, 0);

    ASSERT_EQ(host.lines.size(), 2u);
    EXPECT_EQ(host.lines[0], "序号 —闭合差—  权倒数  —限差—");
    EXPECT_EQ(host.heading, -1);
    ASSERT_EQ(host.details.size(), 3u);
    EXPECT_EQ(host.details[0].substr(0, 19), "观测值中误差(m) = [");
    EXPECT_EQ(host.details[1], "序号  < 1 > 是 :闭合方向");
    ASSERT_EQ(host.svg, 1);
    std::map<std::string, int> counts;
    for (const XmlElement& e : ParseXmlElements(ReadAll(host.svgPath))) ++counts[e.name];
    EXPECT_TRUE(counts["svg"] == 1 && counts["polyline"] == 1);
    EXPECT_EQ(counts["text"], 5);  // four names (the first repeated) and the scale
    // Closing destroyed the window: loops and lines are gone.
    EXPECT_TRUE(t.state.loopList.empty());
    EXPECT_TRUE(t.reports.reportLines.empty());
}

}  // namespace
}  // namespace quenvar
