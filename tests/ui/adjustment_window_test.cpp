// The adjustment window and the text editor operation, driven through the window seam.
#include "ui/adjustment_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "adjust/method_dialog.h"
#include "netdb/database_file.h"
#include "netdb/editor_text.h"
#include "netdb/point_lookup.h"
#include "report/report_lines.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/recording_messenger.h"
#include "tests/support/scripted_windows.h"
#include "ui/headless_windows.h"
#include "ui/string_table.h"

namespace quenvar {
namespace {

using testing::PressStep;

const std::string Survey = QUENVAR_SOURCE_DIR "/examples/survey.txt";

class AdjustmentWindowTest : public ::testing::Test {
protected:
    int RunEditor(WindowHost& host) {
        EditorServices services{net, ui, reports, host, state, [this](int mode, Dialog& parent) {
                                    closureCalls.push_back(mode);
                                    closureParents.push_back(&parent);
                                    closureNetworkPoints.push_back(net.hdr.pointCount);
                                }};
        services.scratchPath = scratch;
        return OnTextEditor(services, loadPath.c_str(), savePath.c_str());
    }
    int RunEditor() { return RunEditor(windows); }

    bool Asked() const {
        return std::any_of(ui.messages.begin(), ui.messages.end(),
                           [](const testing::RecordedMessage& m) { return m.text == "是否保存平差结果"; });
    }
    int CountCaption(const std::string& caption) const {
        return int(std::count_if(ui.messages.begin(), ui.messages.end(),
                                 [&](const testing::RecordedMessage& m) { return m.caption == caption; }));
    }

    testing::TempDir dir;
    std::string loadPath = Survey;
    std::string savePath = dir.File("saved.db");
    std::string scratch = dir.File("tmp.txt");
    Network net;
    testing::RecordingMessenger ui;
    ReportBuffers reports;
    MethodDialogState state;
    testing::ScriptedWindows windows;
    std::vector<int> closureCalls;
    std::vector<Dialog*> closureParents;
    std::vector<int> closureNetworkPoints;
};

TEST_F(AdjustmentWindowTest, WindowShowsTheNetworkAsTextWithItsButtons) {
    std::string expected;
    {
        Network loaded;
        testing::RecordingMessenger quiet;
        ASSERT_EQ(LoadDatabase(loaded, quiet, Survey.c_str()), 2);
        BuildEditorText(loaded, expected);
    }
    windows.Then([&](Dialog& d) {
        EXPECT_EQ(d.TemplateId(), 117);
        EXPECT_EQ(d.Find(108)->text, expected);
        EXPECT_TRUE(d.Find(108)->multiLine);
        EXPECT_EQ(d.Find(24000)->text, "平面闭合差");
        EXPECT_EQ(d.Find(24001)->text, "高程闭合差");
        EXPECT_EQ(d.Find(1)->text, "平差");
        // Opening the window sets 20 seconds of arc and 0.05 m.
        EXPECT_NEAR(net.hdr.dirSigma, 20 * 4.84813681109536e-6, 1e-11);
        EXPECT_FLOAT_EQ(net.hdr.levelSigma, 0.05f);
        d.Press(666);
        EXPECT_FALSE(d.Ended());
        d.Press(IdCancel);
    });
    EXPECT_EQ(RunEditor(), 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "先进行‘平面闭合差’计算，再进行‘高程闭合差’计算。\n确认不超限后，进行‘平差’");
    EXPECT_FALSE(net.Present());
}

TEST_F(AdjustmentWindowTest, NoKeepsTheWindowOpenWithTheEditedTextAndYesSavesIt) {
    ui.answers = {0, 1};
    std::string edited;
    windows
        .Then([&](Dialog& d) {
            edited = d.Find(108)->text;
            const size_t at = edited.find("2000.000000 1500.000000");
            ASSERT_NE(at, std::string::npos);
            edited.replace(at, 11, "2000.002000");  // C moved by 2 mm in X
            d.SetText(108, edited);
            d.Press(IdOk);
            EXPECT_FALSE(d.Ended());
            EXPECT_EQ(d.Find(108)->text, edited);
            EXPECT_EQ(static_cast<CAdjustmentWnd&>(d).Text(), edited);
            d.Press(IdOk);
            EXPECT_EQ(d.Result(), IdOk);
        })
        .Then(PressStep(IdOk))
        .Then(PressStep(IdOk));
    EXPECT_EQ(RunEditor(), 1);
    EXPECT_EQ(windows.opened, (std::vector<int>{117, 106, 106}));
    EXPECT_EQ(windows.parents[1], windows.parents[2]);
    EXPECT_NE(windows.parents[1], nullptr);
    // Each "平差" adjusted the plane network, then the height network in one quick pass.
    EXPECT_EQ(CountCaption("平差结果"), 4);
    EXPECT_FALSE(std::filesystem::exists(scratch));

    Network saved;
    testing::RecordingMessenger quiet;
    ASSERT_EQ(LoadDatabase(saved, quiet, savePath.c_str()), 2);
    EXPECT_EQ(saved.hdr.heightMode, 1);
    EXPECT_NE(saved.hdr.optionFlags & OptionAdjusted, 0);
    const int c = FindPoint(saved, "C");
    const int p = FindPoint(saved, "P");
    ASSERT_NE(c, 0);
    ASSERT_NE(p, 0);
    EXPECT_DOUBLE_EQ(saved.Point(c).x, 2000.002);
    EXPECT_NEAR(saved.Point(p).x, 1400.0, 0.01);
    EXPECT_NEAR(saved.Point(p).y, 1500.0, 0.01);
    EXPECT_NEAR(saved.Point(p).h, 103.0, 0.01);
}

// 平差, then Cancel: after an adjustment the user answers No to the save question and nothing is
// saved; when the method dialog only confirms its settings, neither the height adjustment nor
// the question follow.
TEST_F(AdjustmentWindowTest, CancelSavesNothing) {
    for (const int methodButton : {IdOk, IdConfirmSettings}) {
        SCOPED_TRACE(methodButton);
        const bool adjusted = methodButton == IdOk;
        ui = {};
        ui.answers = {0};
        windows = {};
        windows.Then([](Dialog& d) {
                   d.Press(IdOk);
                   EXPECT_FALSE(d.Ended());
                   d.Press(IdCancel);
               })
            .Then(PressStep(methodButton));
        EXPECT_EQ(RunEditor(), 2);
        EXPECT_EQ(Asked(), adjusted);
        EXPECT_EQ(CountCaption("平差结果"), adjusted ? 2 : 0);
        EXPECT_EQ(ui.progress.empty(), !adjusted);
        EXPECT_FALSE(std::filesystem::exists(savePath));
        EXPECT_FALSE(net.Present());
        EXPECT_EQ(windows.opened, (std::vector<int>{117, 106}));
    }
}

// The closure buttons read the text back and open the closure window over this window; a text
// that no longer reads shows the update failure, keeps the scratch file and leaves the closure
// window the network as it then is: empty.
TEST_F(AdjustmentWindowTest, ClosureButtonsReadTheTextBackAndOpenTheClosureWindowOverThisWindow) {
    Dialog* window = nullptr;
    const std::string broken = "A 11 1000 1000 100\r\n";  // no title line
    windows.Then([&](Dialog& d) {
        window = &d;
        std::string text = d.Find(108)->text;
        text.insert(text.find("<<\r\n", 4), "R 11 900.000000 900.000000 99.000000\r\n");
        d.SetText(108, text);
        d.Press(24001);
        d.Press(24000);
        d.SetText(108, broken);
        d.Press(24000);
        d.Press(IdCancel);
    });
    EXPECT_EQ(RunEditor(), 2);
    EXPECT_EQ(closureCalls, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(closureParents, (std::vector<Dialog*>{window, window, window}));
    EXPECT_EQ(closureNetworkPoints, (std::vector<int>{6, 6, 0}));  // A, B, C, R, then P and Q
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, LoadResourceString(StrUpdateFailed));
    EXPECT_EQ(testing::ReadAll(scratch), broken);
}

TEST_F(AdjustmentWindowTest, HeadlessRunSavesOnYesAndAMissingFileOpensNoWindow) {
    HeadlessWindows headless;
    EXPECT_EQ(RunEditor(headless), 1);
    EXPECT_TRUE(Asked());
    EXPECT_TRUE(std::filesystem::exists(savePath));

    ui.answers = {0};
    std::filesystem::remove(savePath);
    EXPECT_EQ(RunEditor(headless), 2);
    EXPECT_FALSE(std::filesystem::exists(savePath));

    // A file that does not load opens no window.
    loadPath = dir.File("missing.txt");
    EXPECT_EQ(RunEditor(), 2);
    EXPECT_TRUE(windows.opened.empty());
    EXPECT_FALSE(net.Present());
    EXPECT_FALSE(std::filesystem::exists(savePath));
}

}  // namespace
}  // namespace quenvar
