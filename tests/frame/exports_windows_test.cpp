// The window entries as a host program uses them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/netdb/file_test_support.h"

namespace quenvar {
namespace {

struct HostLog {
    std::vector<int> windows;
    std::vector<std::string> texts;
    std::vector<unsigned> help;
    int pressResult = -1;
};

int Answer(const char*, const char*, int kind, void*) { return kind == 2 ? 0 : 1; }

// Looks at the windows through their handles: adjusts once, answers No to the save question
// (the message hook) and cancels the adjustment window.
int Host(zrWindow* window, zrWindow* parent, void* context) {
    HostLog& log = *static_cast<HostLog*>(context);
    log.windows.push_back(zrWindowId(window));
    if (zrWindowId(window) == 117) {
        EXPECT_EQ(parent, nullptr);
        char small[8];
        const int length = zrGetControlText(window, 108, small, sizeof small);
        EXPECT_GT(length, int(sizeof small));
        EXPECT_EQ(std::string(small), std::string("<<\r\nA  ").substr(0, 7));
        std::string text(size_t(length) + 1, '\0');
        EXPECT_EQ(zrGetControlText(window, 108, text.data(), length + 1), length);
        log.texts.push_back(text.c_str());
        EXPECT_EQ(zrGetControlText(window, 999, small, sizeof small), -1);
        EXPECT_EQ(zrControlKind(window, 108), 2);
        EXPECT_EQ(zrControlState(window, 108), 1 | 2 | 8);
        EXPECT_EQ(zrSelectListItem(window, 108, 0), 0);  // not a list
        EXPECT_EQ(zrPressButton(window, 108), 0);        // not a button
        zrPressButton(window, 1);
        log.pressResult = zrWindowResult(window);
        zrPressButton(window, 2);
        EXPECT_EQ(zrWindowResult(window), 2);
        EXPECT_EQ(zrPressButton(window, 1), 0);  // the window has ended
    } else {
        EXPECT_NE(parent, nullptr);
        EXPECT_EQ(zrWindowId(parent), 117);
        char item[32];
        EXPECT_EQ(zrGetListCount(window, 103), 8);
        EXPECT_EQ(zrGetListItem(window, 103, 8, item, sizeof item), -1);
        EXPECT_GT(zrGetListItem(window, 103, 7, item, sizeof item), 0);
        EXPECT_EQ(zrGetControlLabel(window, 102, item, sizeof item), int(std::string("迭代次数").size()));
        EXPECT_EQ(zrCheckRadioButton(window, 112), 1);
        EXPECT_EQ(zrControlState(window, 111) & 4, 0);
        EXPECT_EQ(zrSetControlText(window, 208, "1"), 0);  // disabled: no class-4 observations
        zrPressButton(window, 666);
        zrPressButton(window, 1);
        EXPECT_EQ(zrWindowResult(window), 1);
    }
    return 1;
}

void Help(unsigned helpContext, int command, void* context) {
    static_cast<HostLog*>(context)->help.push_back(helpContext * 10 + unsigned(command));
}

TEST(WindowExports, BothEditorEntriesBehaveAlikeUnderAHost) {
    testing::TempDir dir;
    const std::string save = dir.File("saved.db");
    std::vector<HostLog> logs(2);
    zrSetMessageHook(Answer, nullptr);
    zrSetHelpHook(Help, nullptr);
    for (int entry = 0; entry < 2; ++entry) {
        HostLog& log = logs[size_t(entry)];
        zrSetWindowHook(Host, &log);
        zrSetHelpHook(Help, &log);
        const char* survey = QUENVAR_SOURCE_DIR "/examples/survey.txt";
        const int result = entry == 0 ? OnTextEditor(survey, save.c_str()) : zrAdjustmentWindow(survey, save.c_str());
        EXPECT_EQ(result, 2);
        EXPECT_FALSE(Library().net.Present());
        EXPECT_FALSE(std::filesystem::exists(save));
    }
    zrSetWindowHook(nullptr, nullptr);
    zrSetHelpHook(nullptr, nullptr);
    zrSetMessageHook(nullptr, nullptr);
    for (const HostLog& log : logs) {
        EXPECT_EQ(log.windows, (std::vector<int>{117, 106}));
        EXPECT_EQ(log.help, (std::vector<unsigned>{0x2006Au * 10 + 1}));
        EXPECT_EQ(log.pressResult, -1);  // No to the save question keeps the window open
    }
    EXPECT_EQ(logs[0].texts, logs[1].texts);
}

TEST(WindowExports, NullHandlesAndBuffersAreRefused) {
    EXPECT_EQ(zrWindowId(nullptr), 0);
    EXPECT_EQ(zrWindowResult(nullptr), -1);
    EXPECT_EQ(zrWindowControlId(nullptr, 0), -1);
    EXPECT_EQ(zrGetControlText(nullptr, 108, nullptr, 0), -1);
    EXPECT_EQ(zrPressButton(nullptr, 1), 0);
    EXPECT_EQ(zrSetControlText(nullptr, 108, "x"), 0);
}

}  // namespace
}  // namespace quenvar
