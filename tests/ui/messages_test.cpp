#include "ui/messenger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/recording_messenger.h"
#include "ui/hook_messenger.h"
#include "ui/profile_file.h"
#include "ui/string_table.h"
#include "ui/terminal_text.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

TEST(ShowMessage, KindsAnswersAndStringTableTexts) {
    RecordingMessenger ui;
    ui.answers = {0, 1};
    EXPECT_EQ(ShowMessage(ui, "q1", 0, MsgQuestion), 0);
    EXPECT_EQ(ShowMessage(ui, "q2", 1, MsgQuestion), 1);
    EXPECT_EQ(ShowMessage(ui, "info", 2, MsgInfo), 1);
    for (int16_t k : {0, 3, 6}) EXPECT_EQ(ShowMessage(ui, "nothing", 0, k), 1);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].caption, "ZOREK Question");
    EXPECT_EQ(ui.messages[2].caption, "ZOREK Message");
    EXPECT_EQ(ShowMessage(ui, "p", 0, MsgProgress), 1);
    EXPECT_EQ(ShowMessage(ui, "ignored", 0, MsgCloseProgress), 1);
    EXPECT_EQ(ui.progress, std::vector<std::string>{"p"});
    EXPECT_EQ(ui.closes, 1);
    // String table texts are GBK: "所" is CB F9.
    ShowMessageById(ui, StrClearUnknowns, 0, MsgQuestion);
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[3].text.substr(0, 2), "\xCB\xF9");
    EXPECT_EQ(std::string(LoadResourceString(StrNoReliability)).find('\\'), 6u);
    EXPECT_STREQ(LoadResourceString(999), "");
}

struct HookLog {
    std::vector<std::string> texts, captions;
    std::vector<int> kinds;
    int answer = 0;
};

int Record(const char* text, const char* caption, int kind, void* context) {
    auto* log = static_cast<HookLog*>(context);
    log->texts.emplace_back(text);
    log->captions.emplace_back(caption);
    log->kinds.push_back(kind);
    return log->answer;
}

TEST(MessageHook, ReceivesBoxesProgressAndAnswersUntilReset) {
    HookMessenger ui;
    HookLog log;
    ui.SetHook(Record, &log);
    log.answer = 7;
    EXPECT_EQ(ShowMessage(ui, "yes?", 0, MsgQuestion), 1);
    log.answer = 0;
    EXPECT_EQ(ShowMessage(ui, "no?", 0, MsgQuestion), 0);
    ShowMessage(ui, "done", 0, MsgInfo);
    CloseProgress(ui);  // nothing open: nothing reported
    ShowProgress(ui, "正在进行第 1 次平差...");
    ShowProgress(ui, "second");
    CloseProgress(ui);
    EXPECT_EQ(log.kinds, (std::vector<int>{2, 2, 1, 4, 4, 5}));
    EXPECT_EQ(log.captions[0], "ZOREK Question");
    EXPECT_EQ(log.captions[2], "ZOREK Message");
    EXPECT_EQ(log.texts[3][11], '1');  // the pass digit is byte 11 of the GBK text
    // A null hook restores the headless default, which answers from QUENVAR_ANSWER.
    log.kinds.clear();
    ui.SetHook(nullptr, &log);
    setenv("QUENVAR_ANSWER", "no", 1);
    EXPECT_EQ(ShowMessage(ui, "q", 0, MsgQuestion), 0);
    setenv("QUENVAR_ANSWER", "yes", 1);
    EXPECT_EQ(ShowMessage(ui, "q", 0, MsgQuestion), 1);
    unsetenv("QUENVAR_ANSWER");
    EXPECT_TRUE(log.kinds.empty());
}

// A piece that cannot be converted becomes one '?' and the text after it survives: a stray
// GBK lead byte on the way out, a whole multi-byte character GBK lacks on the way in.
TEST(TerminalText, UnconvertiblePiecesBecomeOneQuestionMark) {
    setlocale(LC_ALL, "C.UTF-8");
    EXPECT_EQ(GbkToLocal("\xC6\xBD\xB2\xEE"), "\xE5\xB9\xB3\xE5\xB7\xAE");  // 平差 in UTF-8
    EXPECT_EQ(GbkToUtf8("a\xFF" "b\xC6\xBD"), "a?b\xE5\xB9\xB3");
    EXPECT_EQ(LocalToGbk("x\xF0\x9F\x98\x80y\xE5\xB9\xB3"), "x?y\xC6\xBD");  // an emoji, then 平
    EXPECT_EQ(LocalToGbk(std::string()), "");
    setlocale(LC_ALL, "C");
}

// The private profile reader: sections and keys match without case and blanks; quotes, a
// missing file, section or key, and a value longer than the buffer.
TEST(ProfileFile, SectionsAndKeysMatchWithoutCaseAndBlanks) {
    TempDir dir;
    const std::string ini = dir.File("app.ini");
    WriteAll(ini,
                      "; settings\r\n"
                      "D0=outside any section\r\n"
                      "[Other]\r\nD0=other section\r\n"
                      "[ design para ]\r\n"
                      "; D0=commented out\r\n"
                      "  d0  =  a0=0.1% b0=90% d0=3.50  \r\n"
                      "D0=second key of the same name\r\n"
                      "Quoted = \"  kept blanks \"\r\n"
                      "Single='x'\r\n"
                      "Unclosed=\"x\r\n"
                      "NoValue\r\n"
                      "[DESIGN PARA]\r\nLater=a section read only once\r\n");
    auto read = [&ini](const char* section, const char* key) {
        return ReadPrivateProfileString(ini, section, key, "fallback  ");
    };
    EXPECT_EQ(read("Design Para", "D0"), "a0=0.1% b0=90% d0=3.50");
    EXPECT_EQ(read("other", "d0"), "other section");
    EXPECT_EQ(read("Design Para", "Quoted"), "  kept blanks ");
    EXPECT_EQ(read("Design Para", "Single"), "x");
    EXPECT_EQ(read("Design Para", "Unclosed"), "\"x");
    EXPECT_EQ(read("Design Para", "NoValue"), "");
    EXPECT_EQ(read("Design Para", "Later"), "fallback");
    EXPECT_EQ(read("Missing", "D0"), "fallback");
    EXPECT_EQ(read("Design Para", "Missing"), "fallback");
    EXPECT_EQ(ReadPrivateProfileString(dir.File("absent.ini"), "Design Para", "D0", nullptr), "");

    WriteAll(ini, "[s]\nk=" + std::string(5000, 'v') + "\n");  // cut to the buffer
    EXPECT_EQ(ReadPrivateProfileString(ini, "s", "k", "").size(), ProfileValueLimit);
}

}  // namespace
}  // namespace quenvar
