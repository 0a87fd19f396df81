// The terminal front end fed with typed lines: menus show the control texts, keys reach the
// controls, multi-line texts go through the editor, result windows list, sketch and save.
#include "ui/terminal_windows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

#include "adjust/method_dialog.h"
#include "geom/angles.h"
#include "netdb/database_file.h"
#include "report/report_lines.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/recording_messenger.h"
#include "ui/result_list_window.h"
#include "ui/text_sketch.h"

namespace quenvar {
namespace {

// Texts as the terminal shows them (UTF-8), whatever the execution character set.
std::string Shown(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// A terminal session: the typed input, and the screen text when it is over.
struct Session {
    explicit Session(std::string keys) : typed(std::move(keys)) {}
    ~Session() {
        std::fclose(in);
        std::fclose(out);
        std::free(screen);
    }
    std::string Screen() { return std::fflush(out), std::string(screen, size); }

    std::string typed;
    char* screen = nullptr;
    size_t size = 0;
    std::FILE* in = fmemopen(typed.data(), typed.size(), "r");
    std::FILE* out = open_memstream(&screen, &size);
    TerminalWindows windows{in, out};
};

class TextDialog final : public Dialog {
public:
    explicit TextDialog(const std::string& text) : Dialog(900, "text") {
        Add({.id = 108, .kind = ControlKind::Edit, .text = text, .multiLine = true});
        AddButton(IdOk, "OK");
    }
};

TEST(TerminalMethodMenu, KeysReachTheControlsAndTheMenuShowsTheirTexts) {
    Network net;
    testing::RecordingMessenger ui;
    ASSERT_EQ(LoadDatabase(net, ui, QUENVAR_SOURCE_DIR "/examples/survey.txt"), 2);
    ReportBuffers reports;
    MethodDialogState state;
    // End of input cancels the dialog.
    Session cut("a\n");
    EXPECT_EQ(AdjustmentMethodDialog(net, ui, reports, cut.windows, state), 0);
    EXPECT_EQ(state.iterationCount, 1);
    EXPECT_TRUE(ui.progress.empty());
    // a iteration count, b method list, d angle adjustment, g direction error, [3] 确认设置.
    Session session("a\n5\nb\n7\nd\ng\n0.0015\nz\n3\n");
    EXPECT_EQ(AdjustmentMethodDialog(net, ui, reports, session.windows, state), 0);
    EXPECT_EQ(state.iterationCount, 5);
    EXPECT_EQ(state.methodCode, 6);
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, OptionAngleMode);
    EXPECT_NEAR(net.hdr.dirSigma, DmsToRadians(0.0015), 1e-11);
    const std::string screen = session.Screen();
    for (const char8_t* text : {u8"== 平面网平差方法选择 [106] ==", u8"  a  迭代次数: 1", u8"  b  平差方法: 单次平差",
                                u8"  c  测角网按: (*) 方向平差", u8"    7  纯迭代平差", u8"[3] 确认设置",
                                u8"  d  测角网按: (*) 角度平差", u8"no control has the key 'z'"}) {
        EXPECT_NE(screen.find(Shown(text)), std::string::npos) << Shown(text);
    }
    // The hidden class-4 fields get no key.
    EXPECT_EQ(screen.find(Shown(u8"4类观测先验值")), std::string::npos);
}

// A multi-line text goes to the editor with LF line ends and comes back with CR LF; a failing
// editor leaves it as it was.
TEST(TerminalEditorTest, TextGoesThroughTheEditorWithItsLineEnds) {
    const std::string text = "<< 测试\r\nA 11 1000.000000 1000.000000 100.000000\r\n<<\r\n";
    const std::string edited = "<< 测试\r\nA 11 1000.250000 1000.250000 100.000000\r\n<<\r\n";
    for (const auto& [editor, result, shown] :
         {std::tuple{"sed -i s/1000.000000/1000.250000/g", edited, "(3 lines, opens in the editor)"},
          std::tuple{"false", text, "the editor 'false' did not finish normally"}}) {
        setenv("VISUAL", editor, 1);
        Session session("a\n1\n");
        TextDialog dialog(text);
        EXPECT_EQ(DoModal(session.windows, dialog), IdOk);
        EXPECT_EQ(dialog.Find(108)->text, result);
        EXPECT_NE(session.Screen().find(shown), std::string::npos) << shown;
    }
    unsetenv("VISUAL");
}

TEST(TerminalResultWindowTest, EntryShowsDetailsAndSketchAndSaveWritesTheReport) {
    testing::TempDir dir;
    ReportBuffers reports;
    reports.reportLines = {"loop 1", "loop 2"};
    auto detail = [&](int16_t k) -> int16_t {
        if (k >= 0) reports.detailLines = {"detail of " + std::to_string(k)};
        return 1;
    };
    auto chart = [](int16_t, DrawingSurface& s, int width, int height) -> int16_t {
        s.MoveTo(0, 0);
        s.LineTo(width, 0);
        s.TextOut(0, height / 2, "P1");
        return 1;
    };
    const std::string report = dir.File("closures");
    Session session("2\n0\ns\n" + report + "\n\n");
    {
        ResultListWindow window(reports, "heading", "extra", detail, chart);
        session.windows.RunResultList(window);
    }
    const std::string screen = session.Screen();
    for (const char* text : {"    1  loop 1", "  extra\n  detail of 1\n", "  |***", "  |P1", "no entry 0", "report saved"})
        EXPECT_NE(screen.find(text), std::string::npos) << text;
    EXPECT_NE(testing::ReadAll(report + ".txt").find("loop 2"), std::string::npos);
}

TEST(TerminalSaveFileTest, DefaultExtensionOnlyForNamesWithout) {
    for (const auto& [typed, expected] : {std::pair<std::string, std::string>{"a\n", "a.txt"},
                                          {"b.rep\n", "b.rep"},
                                          {"dir.d/c\n", "dir.d/c.txt"}}) {
        Session session(typed);
        std::string path;
        EXPECT_TRUE(session.windows.ChooseSaveFile({"txt", "", ""}, path));
        EXPECT_EQ(path, expected);
    }
    Session empty("\n");
    std::string path;
    EXPECT_FALSE(empty.windows.ChooseSaveFile({"txt", "", ""}, path));
}

TEST(TextSketchTest, LinesAreTracedAndClippedAndTextsWrittenInPlace) {
    TextSketch sketch(100, 50, 10, 5);  // 10 x 10 pixels a character
    EXPECT_TRUE(sketch.Empty());
    sketch.MoveTo(0, 0);
    sketch.LineTo(99, 0);
    sketch.MoveTo(0, 0);
    sketch.LineTo(49, 49);  // the diagonal of the left half: one cell a row
    sketch.MoveTo(-500, 20);
    sketch.LineTo(500, 20);  // runs off both sides, clipped to the area
    sketch.TextOut(80, 40, "P12");
    EXPECT_EQ(sketch.Rows(), (std::vector<std::string>{"**********", " *", "**********", "   *", "    *   P1"}));
}

// A chart point a billion pixels out: only the part of the line across the grid is traced, in
// the cells the whole line passes through.
TEST(TextSketchTest, LineFromFarOutsideCostsOnlyItsPartInside) {
    TextSketch sketch(100, 50, 10, 5);
    sketch.MoveTo(5, 25);
    sketch.LineTo(1000000000, 25);
    sketch.MoveTo(-1000000000, -1000000000);
    sketch.LineTo(45, 45);  // the diagonal through (0, 0)
    EXPECT_EQ(sketch.Rows(), (std::vector<std::string>{"*", " *", "**********", "   *", "    *"}));
}

}  // namespace
}  // namespace quenvar
