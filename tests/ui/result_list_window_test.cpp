// The result list window as its callers and hosts use it (selection, details, charts, the saved
// report, a host program's hooks, the headless window), the SVG surface, and the library's own
// WindowHost: host hooks first, the front end for what they leave.
#include "ui/result_list_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/netdb/file_test_support.h"
#include "tests/support/scripted_windows.h"
#include "ui/hook_window_host.h"
#include "ui/svg_surface.h"

namespace quenvar {
namespace {

using testing::ReadAll;
using Strings = std::vector<std::string>;

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
    EXPECT_EQ(window.EntryList(), (Strings{"No", "line 1", "line 2"}));
    ASSERT_TRUE(window.Select(1));
    EXPECT_EQ(window.DetailList(), (Strings{"extra", "detail 0"}));
    // The heading and lines beyond the list change nothing.
    EXPECT_FALSE(window.Select(0));
    EXPECT_FALSE(window.Select(3));
    EXPECT_EQ(window.DetailList(), (Strings{"extra", "detail 0"}));
    // Details are listed whatever the callback answers.
    ASSERT_TRUE(window.Select(2));
    EXPECT_EQ(window.DetailList(), (Strings{"extra", "detail 1"}));
    EXPECT_EQ(c.detailCalls, (std::vector<int>{0, 1}));
    RecordingSurface surface;
    EXPECT_EQ(window.DrawChart(0, surface, 300, 200), 0);
    EXPECT_EQ(window.DrawChart(2, surface, 300, 200), 1);
    ASSERT_EQ(c.chartCalls.size(), 1u);
    EXPECT_EQ(c.chartCalls[0], (std::vector<int>{1, 268, 188}));
    EXPECT_EQ(surface.ops.size(), 3u);

    // Without a detail callback: only the extra line, and no chart.
    ResultListWindow bare(c.reports, "No", "extra", nullptr, c.Chart());
    ASSERT_TRUE(bare.Select(1));
    EXPECT_EQ(bare.DetailList(), Strings{"extra"});
    EXPECT_EQ(bare.DrawChart(1, surface, 300, 200), 0);
    EXPECT_EQ(c.chartCalls.size(), 1u);
}

TEST(ResultListWindow, SaveWritesTheReportUnderTheCaptionAndDestructionEmptiesTheLists) {
    testing::TempDir dir;
    Caller c;
    c.reports.reportLines = {"line 1", "line 2"};
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), nullptr);
        ASSERT_EQ(window.Save(dir.File("save.txt").c_str()), 1);
        EXPECT_EQ(ReadAll(dir.File("save.txt")), "\n====结果====\n\nNo\nline 1\nextra\ndetail 0\n\nNo\nline 2\n");
    }
    EXPECT_EQ(c.detailCalls.back(), -999);
    EXPECT_TRUE(c.reports.reportLines.empty());
    EXPECT_TRUE(c.reports.detailLines.empty());
    ResultListWindow empty(c.reports, "No", "extra", c.Detail(), nullptr);
    EXPECT_EQ(empty.Save(dir.File("empty.txt").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.txt")));
}

// A host as a program using the library would write it: it selects, draws, saves and closes.
struct Host {
    std::string heading, svgPath, savePath;
    Strings lines, details;
    std::vector<std::vector<int>> ops;
    int headingSelection = 0, drawn = 0, svg = 0, saved = 0;
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
    testing::TempDir dir;
    Caller c;
    c.reports.reportLines = {"line 1"};
    Host host;
    host.svgPath = dir.File("chart.svg");
    host.savePath = dir.File("hook.txt");
    HookWindowHost windows;
    windows.SetHook(RunHost, &host);
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), c.Chart());
        windows.RunResultList(window);
    }
    EXPECT_EQ(host.heading, "No");
    EXPECT_EQ(host.lines, (Strings{"No", "line 1"}));
    EXPECT_EQ(host.headingSelection, -1);
    EXPECT_EQ(host.details, (Strings{"extra", "detail 0"}));
    EXPECT_EQ(host.drawn, 1);
    EXPECT_EQ(host.ops, (std::vector<std::vector<int>>{{zrMoveTo, 1, 2, 0}, {zrLineTo, 3, 4, 0}, {zrTextOut, 3, 4, 1}}));
    EXPECT_EQ(host.svg, 1);
    EXPECT_NE(ReadAll(host.svgPath).find("points=\"1,2 3,4\""), std::string::npos);
    EXPECT_EQ(host.saved, 1);
    EXPECT_EQ(ReadAll(host.savePath).substr(0, 13), "\n====结果====");
    EXPECT_EQ(c.detailCalls.back(), -999);

    // Without a hook the headless window prints its report (结果 converted for the terminal).
    c.detailCalls.clear();
    c.reports.reportLines = {"line 1"};
    HookWindowHost headless;
    headless.headlessOutput = std::fopen(dir.File("printed.txt").c_str(), "w");
    ASSERT_NE(headless.headlessOutput, nullptr);
    {
        ResultListWindow window(c.reports, "No", "extra", c.Detail(), nullptr);
        headless.RunResultList(window);
    }
    std::fclose(headless.headlessOutput);
    EXPECT_NE(ReadAll(dir.File("printed.txt")).find("====\n\nNo\nline 1\nextra\ndetail 0\n"), std::string::npos);
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
    for (const char* part : {"width=\"120\" height=\"90\"", "points=\"5,5 50,5 5,5\"", "points=\"60,60 70,70\"",
                             ">\xE9\x97\xAD</text>", ">a&lt;b&amp;c</text>"})
        EXPECT_NE(doc.find(part), std::string::npos) << part;
    EXPECT_EQ(doc.substr(doc.size() - 7), "</svg>\n");
}

class TwoButtons final : public Dialog {
public:
    TwoButtons() : Dialog(950, "two") {
        AddButton(IdOk, "OK");
        AddButton(IdCancel, "Cancel");
    }
};

TEST(WindowHooks, AHookThatDeclinesLeavesTheWindowToTheFrontEnd) {
    HookWindowHost host(FrontEnd::Headless);
    int calls = 0;
    host.SetWindowHook([](zrWindow*, zrWindow*, void* c) { return ++*static_cast<int*>(c), 0; }, &calls);
    TwoButtons declined;
    EXPECT_EQ(DoModal(host, declined), IdOk);  // headless: the default button
    host.SetWindowHook([](zrWindow*, zrWindow*, void* c) { return ++*static_cast<int*>(c), 1; }, &calls);
    TwoButtons leftOpen;  // shown by the host and left open: cancelled
    EXPECT_EQ(DoModal(host, leftOpen), IdCancel);
    EXPECT_EQ(calls, 2);
}

int FillWith(const char*, const char*, char* path, int size, void* context) {
    const std::string& answer = *static_cast<std::string*>(context);
    if (answer == "cancel") return 0;
    if (answer == "overflow") {
        std::memset(path, 'x', size_t(size));  // no room left for the terminator
        return 1;
    }
    std::strncpy(path, answer.c_str(), size_t(size));
    return 1;
}

TEST(WindowHooks, SaveFileHookGivesAPathOnlyWhenItConfirmedOneThatFits) {
    HookWindowHost host(FrontEnd::Headless);
    std::string path;
    EXPECT_FALSE(host.ChooseSaveFile({"txt", "", ""}, path));  // headless: nothing is chosen
    std::string answer = "closures.txt";
    host.SetSaveFileHook(FillWith, &answer);
    EXPECT_TRUE(host.ChooseSaveFile({"txt", "", ""}, path));
    EXPECT_EQ(path, "closures.txt");
    for (const char* refused : {"cancel", "overflow", ""}) {
        answer = refused;
        path.clear();
        EXPECT_FALSE(host.ChooseSaveFile({"txt", "", ""}, path)) << refused;
    }
}

TEST(WindowHooks, SaveButtonAsksTheHostForANameOnlyWhenThereIsAReport) {
    testing::TempDir dir;
    testing::ScriptedWindows host;
    host.savePaths = {dir.File("first.txt"), ""};
    ReportBuffers reports;
    {
        ResultListWindow empty(reports, "heading", "extra", nullptr, nullptr);
        EXPECT_EQ(empty.PressSave(host), 0);
        EXPECT_EQ(host.savePaths.size(), 2u);  // no dialog without report lines
    }
    reports.reportLines = {"loop 1"};
    ResultListWindow window(reports, "heading", "extra", nullptr, nullptr);
    EXPECT_EQ(window.PressSave(host), 1);
    EXPECT_NE(testing::ReadAll(dir.File("first.txt")).find("loop 1"), std::string::npos);
    EXPECT_EQ(window.PressSave(host), 0);  // cancelled
}

}  // namespace
}  // namespace quenvar
