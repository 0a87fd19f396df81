#include "closure/closure_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "closure/loop_chart.h"
#include "tests/closure/closure_networks.h"
#include "ui/hook_window_host.h"
#include "ui/svg_surface.h"

namespace quenvar {
namespace {

using namespace testing;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Closures {
    Network net;
    NetworkBuilder b{net};
    ClosureState state;
    ReportBuffers reports;
    ClosureContext c{net, b.ui(), state, reports};

    // A loop put into the list by hand, as the computation leaves it.
    ClosureLoop& Add(std::vector<int16_t> elements, bool closed, int kind, int orientation = 0) {
        auto loop = std::make_unique<ClosureLoop>();
        loop->elements = std::move(elements);
        loop->count = int16_t(loop->elements.size());
        loop->SetClosed(closed ? 1 : 0);
        loop->SetKind(kind);
        loop->SetOrientation(orientation);
        state.loopList.push_back(std::move(loop));
        state.loopCount = int16_t(state.loopList.size());
        return *state.loopList.back();
    }
    LineList Detail(int i) {
        FormatLoopDetail(c, i);
        return reports.detailLines;
    }
};

TEST(ClosureReport, OneLevellingLoopOfThreePoints) {
    Closures t;
    for (const char* n : {"BM1", "BM2", "BM3"}) t.b.Point(n, 0, 0);
    t.b.Obs(1, 2, KindLevelled, -0.500);
    t.b.Obs(2, 3, KindLevelled, -0.300);
    t.b.Obs(3, 1, KindLevelled, 0.788);
    const auto path = std::filesystem::temp_directory_path() / "quenvar_closure_report.txt";
    ASSERT_EQ(WriteClosureReport(t.c, path.c_str(), 1), 1);
    // Three steps of 1 km each: limit 3 x 0.01 x sqrt(3), standard error 0.012 / sqrt(3).
    EXPECT_EQ(ReadFile(path),
              "\n====闭合差统计表====\n"
              "\n序号 —闭合差—  权倒数  —限差—\n"
              "   1    0.01200    3.00   0.05196\n"
              "观测值中误差(m) = [0.006928]\n"
              "序号  < 1 > 是 :闭合高程\n"
              "  BM3  BM2  BM1  BM3\n");
    EXPECT_EQ(t.state.loopCount, 0);  // freed once written
    EXPECT_TRUE(t.state.loopList.empty());
    std::filesystem::remove(path);

    // A path that cannot be opened: no report, the loops are freed all the same.
    EXPECT_EQ(WriteClosureReport(t.c, "/nonexistent-dir/report.txt", 1), 0);
    EXPECT_TRUE(t.state.loopList.empty());
}

TEST(FormatLoopDetail, NamesInLinesOfNineThenTen) {
    Closures t;
    std::vector<int16_t> elements;
    for (int i = 1; i <= 23; ++i) elements.push_back(int16_t(t.b.Point("N" + std::to_string(i), 0, 0)));
    t.Add(elements, false, LoopDirection);
    const LineList lines = t.Detail(0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "序号  < 1 > 是 :附合方向");
    EXPECT_EQ(lines[1], "  N1  N2  N3  N4  N5  N6  N7  N8  N9");
    EXPECT_EQ(lines[2], "  N10  N11  N12  N13  N14  N15  N16  N17  N18  N19");
    EXPECT_EQ(lines[3], "  N20  N21  N22  N23");
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

TEST(DrawLoopChart, SideConditionDrawsItsTrianglesOnly) {
    Closures t;
    t.b.Point("A", 10000, 10000);
    t.b.Point("B", 10000, 10512);
    t.b.Point("C", 10512, 10000);
    t.b.Point("D", 10512, 10512);
    t.state.triangleTable.resize(4, TriangleRecord{});
    t.state.triangleTable[1] = TriangleRecord{{1, 2, 3, 1}, {0, 0, 0}, 0};
    t.state.triangleTable[2] = TriangleRecord{{2, 4, 3, 2}, {0, 0, 0}, 0};
    t.state.triangleTable[3] = TriangleRecord{{0, 1, 2, 0}, {0, 0, 0}, 0};  // a known side
    t.Add({3, 1, 2, 3}, true, LoopSideCondition);
    SvgSurface svg(272, 288);
    ASSERT_EQ(DrawLoopChart(t.net, t.state, 0, svg, 272, 288), 1);
    const std::string doc = svg.Document();
    EXPECT_NE(doc.find("points=\"5,261 261,261 5,5 5,261\""), std::string::npos);
    EXPECT_NE(doc.find("points=\"261,261 261,5 5,5 261,261\""), std::string::npos);
}

// Checks that every tag is closed in order and counts the elements by name.
bool WellFormed(const std::string& doc, std::map<std::string, int>& counts) {
    std::vector<std::string> open;
    for (size_t pos = doc.find('<'); pos != std::string::npos; pos = doc.find('<', pos + 1)) {
        const size_t end = doc.find('>', pos);
        if (end == std::string::npos) return false;
        const std::string tag = doc.substr(pos + 1, end - pos - 1);
        if (tag.empty()) return false;
        if (tag[0] == '?') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return false;
            open.pop_back();
            continue;
        }
        const std::string name = tag.substr(0, tag.find_first_of(" /"));
        ++counts[name];
        if (tag.back() != '/') open.push_back(name);
    }
    return open.empty();
}

TEST(ClosureWindow, HostSelectsSavesAndClosesAndTheLoopsAreFreed) {
    Closures t;
    // A triangle of directions; A is known, so the calculation keeps coordinates for the chart.
    t.b.Point("A", 10000, 10000, 0, 1);
    t.b.Point("B", 10000, 10512, 0, 1);
    t.b.Point("C", 10512, 10000);
    for (int s = 1; s <= 3; ++s)
        for (int q = 1; q <= 3; ++q)
            if (s != q) Direction(t.b, t.net, s, q);

    struct Host {
        std::vector<std::string> lines, details;
        int heading = 0, saved = 0, svg = 0;
        std::string savePath, svgPath;
    } host;
    host.savePath = (std::filesystem::temp_directory_path() / "quenvar_closure_window.txt").string();
    host.svgPath = (std::filesystem::temp_directory_path() / "quenvar_closure_window.svg").string();
    HookWindowHost windows;
    windows.SetHook(
        [](const zrResultWindow* w, void* context) {
            auto* h = static_cast<Host*>(context);
            for (int i = 0; i < w->lineCount; ++i) h->lines.emplace_back(w->lines[i]);
            h->heading = w->select(w->window, 0);
            const int n = w->select(w->window, 1);
            for (int i = 0; i < n; ++i) h->details.emplace_back(w->detail(w->window, i));
            h->svg = w->drawSvg(w->window, 1, 300, 300, h->svgPath.c_str());
            h->saved = w->save(w->window, h->savePath.c_str());
        },
        &host);
    ShowClosureWindow(t.c, windows, 0);

    ASSERT_EQ(host.lines.size(), 2u);
    EXPECT_EQ(host.lines[0], "序号 —闭合差—  权倒数  —限差—");
    EXPECT_EQ(host.heading, -1);
    ASSERT_EQ(host.details.size(), 3u);
    EXPECT_EQ(host.details[0].substr(0, 19), "观测值中误差(m) = [");
    EXPECT_EQ(host.details[1], "序号  < 1 > 是 :闭合方向");
    EXPECT_EQ(host.saved, 1);
    EXPECT_EQ(ReadFile(host.savePath).substr(0, 13), "\n====结果====");  // the window's caption
    ASSERT_EQ(host.svg, 1);
    std::map<std::string, int> counts;
    EXPECT_TRUE(WellFormed(ReadFile(host.svgPath), counts));
    EXPECT_EQ(counts["svg"], 1);
    EXPECT_EQ(counts["polyline"], 1);
    EXPECT_EQ(counts["text"], 5);  // four names (the first repeated) and the scale
    // Closing destroyed the window: loops and lines are gone.
    EXPECT_TRUE(t.state.loopList.empty());
    EXPECT_TRUE(t.reports.reportLines.empty());
    std::filesystem::remove(host.savePath);
    std::filesystem::remove(host.svgPath);
}

}  // namespace
}  // namespace quenvar
