#include "ui/result_list_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/hook_window_host.h"
#include "ui/svg_surface.h"

namespace quenvar {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("quenvar_window_" + name);
}

// A caller of the window as the closure window is: details per entry (none for entry 1),
// a chart of one line, and a record of every call.
struct Caller {
    ReportBuffers reports;
    std::vector<int> detailCalls;
    std::vector<std::vector<int>> chartCalls;  // index, width, height

    DetailCallback Detail() {
        return [this](int16_t i) -> int16_t {
            detailCalls.push_back(i);
            if (i < 0) return 1;
            reports.detailLines = {"detail " + std::to_string(i)};
            return i == 1 ? 0 : 1;
        };
    }
    ChartCallback Chart() {
        return [this](int16_t i, DrawingSurface& dc, int w, int h) -> int16_t {
            chartCalls.push_back({i, w, h});
            dc.MoveTo(1, 2);
            dc.LineTo(3, 4);
            dc.TextOut(3, 4, "A&B");
            return 1;
        };
    }
};

TEST(ResultListWindow, SelectionFillsDetailsAndDrawsOnlyForEntries) {
    Caller c;
    c.reports.reportLines = {"line 1", "line 2"};
    ResultListWindow window(c.reports, "No", "extra", c.Detail(), c.Chart());
    EXPECT_EQ(window.Caption(), "结果");
    EXPECT_EQ(window.EntryList(), (std::vector<std::string>{"No", "line 1", "line 2"}));

    ASSERT_TRUE(window.Select(1));
    EXPECT_EQ(window.DetailList(), (std::vector<std::string>{"extra", "detail 0"}));
    // The heading and lines beyond the list change nothing.
    EXPECT_FALSE(window.Select(0));
    EXPECT_FALSE(window.Select(3));
    EXPECT_EQ(window.DetailList(), (std::vector<std::string>{"extra", "detail 0"}));
    // Details are listed whatever the callback answers.
    ASSERT_TRUE(window.Select(2));
    EXPECT_EQ(window.DetailList(), (std::vector<std::string>{"extra", "detail 1"}));
    EXPECT_EQ(c.detailCalls, (std::vector<int>{0, 1}));

    RecordingSurface surface;
    EXPECT_EQ(window.DrawChart(0, surface, 300, 200), 0);
    EXPECT_EQ(window.DrawChart(2, surface, 300, 200), 1);
    ASSERT_EQ(c.chartCalls.size(), 1u);
    EXPECT_EQ(c.chartCalls[0], (std::vector<int>{1, 268, 188}));
    EXPECT_EQ(surface.ops.size(), 3u);
}

TEST(ResultListWindow, WithoutDetailCallbackOnlyTheExtraLineAndNoChart) {
    Caller c;
    c.reports.reportLines = {"line 1"};
    ResultListWindow window(c.reports, "No", "extra", nullptr, c.Chart());
    ASSERT_TRUE(window.Select(1));
    EXPECT_EQ(window.DetailList(), std::vector<std::string>{"extra"});
    RecordingSurface surface;
    EXPECT_EQ(window.DrawChart(1, surface, 300, 200), 0);
    EXPECT_TRUE(c.chartCalls.empty());
}

TEST(ResultListWindow, SaveWritesTheReportUnderTheCaptionAndDestructionEmptiesTheLists) {
    Caller c;
    c.reports.reportLines = {"line 1", "line 2"};
    const auto path = TempPath("save.txt");
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), nullptr);
        ASSERT_EQ(window.Save(path.c_str()), 1);
        EXPECT_EQ(ReadFile(path), "\n====结果====\n\nNo\nline 1\nextra\ndetail 0\n\nNo\nline 2\n");
    }
    EXPECT_EQ(c.detailCalls.back(), -999);
    EXPECT_TRUE(c.reports.reportLines.empty());
    EXPECT_TRUE(c.reports.detailLines.empty());
    std::filesystem::remove(path);

    ResultListWindow empty(c.reports, "No", "extra", c.Detail(), nullptr);
    EXPECT_EQ(empty.Save(path.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A host as a program using the library would write it: it selects, draws, saves and closes.
struct Host {
    std::string heading;
    std::vector<std::string> lines;
    int headingSelection = 0;
    std::vector<std::string> details;
    std::vector<std::vector<int>> ops;
    std::string svgPath, savePath;
    int drawn = 0, svg = 0, saved = 0;
};

void Record(int op, int x, int y, const char* text, void* context) {
    static_cast<Host*>(context)->ops.push_back({op, x, y, text != nullptr ? 1 : 0});
}

void RunHost(const zrResultWindow* w, void* context) {
    auto* host = static_cast<Host*>(context);
    host->heading = w->heading;
    for (int i = 0; i < w->lineCount; ++i) host->lines.emplace_back(w->lines[i]);
    host->headingSelection = w->select(w->window, 0);
    const int n = w->select(w->window, 1);
    for (int i = 0; i < n; ++i) host->details.emplace_back(w->detail(w->window, i));
    EXPECT_EQ(w->detail(w->window, n), nullptr);
    host->drawn = w->draw(w->window, 1, 100, 80, Record, host);
    host->svg = w->drawSvg(w->window, 1, 100, 80, host->svgPath.c_str());
    host->saved = w->save(w->window, host->savePath.c_str());
}

TEST(WindowHook, HostDrivesTheWindowAndClosingDestroysIt) {
    Caller c;
    c.reports.reportLines = {"line 1"};
    Host host;
    host.svgPath = TempPath("chart.svg").string();
    host.savePath = TempPath("hook.txt").string();
    HookWindowHost windows;
    windows.SetHook(RunHost, &host);
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), c.Chart());
        windows.RunResultList(window);
    }
    EXPECT_EQ(host.heading, "No");
    EXPECT_EQ(host.lines, (std::vector<std::string>{"No", "line 1"}));
    EXPECT_EQ(host.headingSelection, -1);
    EXPECT_EQ(host.details, (std::vector<std::string>{"extra", "detail 0"}));
    EXPECT_EQ(host.drawn, 1);
    EXPECT_EQ(host.ops, (std::vector<std::vector<int>>{{zrMoveTo, 1, 2, 0}, {zrLineTo, 3, 4, 0}, {zrTextOut, 3, 4, 1}}));
    EXPECT_EQ(host.svg, 1);
    EXPECT_NE(ReadFile(host.svgPath).find("points=\"1,2 3,4\""), std::string::npos);
    EXPECT_EQ(host.saved, 1);
    EXPECT_EQ(ReadFile(host.savePath).substr(0, 13), "\n====结果====");
    EXPECT_EQ(c.detailCalls.back(), -999);
    std::filesystem::remove(host.svgPath);
    std::filesystem::remove(host.savePath);
}

TEST(WindowHook, HeadlessWindowPrintsItsReportAndCloses) {
    Caller c;
    c.reports.reportLines = {"line 1"};
    HookWindowHost windows;
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    windows.headlessOutput = out;
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), nullptr);
        windows.RunResultList(window);
    }
    std::rewind(out);
    char buffer[256] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    // 结果 is converted for the terminal; the rest is unchanged.
    EXPECT_NE(std::string(buffer, n).find("====\n\nNo\nline 1\nextra\ndetail 0\n"), std::string::npos);
    EXPECT_EQ(c.detailCalls, (std::vector<int>{0, -999}));
}

TEST(SvgSurface, OnePolylinePerUnliftedPenAndEscapedUtf8Texts) {
    SvgSurface svg(120, 90);
    svg.TextOut(5, 5, "P1");
    svg.MoveTo(5, 5);
    svg.LineTo(50, 5);
    svg.TextOut(50, 5, "\xB1\xD5");  // 闭 in GBK
    svg.MoveTo(50, 5);               // the pen is already there: the line goes on
    svg.LineTo(5, 5);
    svg.MoveTo(60, 60);  // lifted: a second polyline
    svg.LineTo(70, 70);
    svg.TextOut(0, 0, "a<b&c");
    const std::string doc = svg.Document();
    EXPECT_EQ(doc.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0u);
    EXPECT_NE(doc.find("width=\"120\" height=\"90\""), std::string::npos);
    EXPECT_NE(doc.find("points=\"5,5 50,5 5,5\""), std::string::npos);
    EXPECT_NE(doc.find("points=\"60,60 70,70\""), std::string::npos);
    EXPECT_NE(doc.find(">\xE9\x97\xAD</text>"), std::string::npos);  // UTF-8
    EXPECT_NE(doc.find(">a&lt;b&amp;c</text>"), std::string::npos);
    EXPECT_EQ(doc.substr(doc.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace quenvar
