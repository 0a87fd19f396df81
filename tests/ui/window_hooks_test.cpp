// The library's own WindowHost: host hooks first, the front end for what they leave.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/netdb/file_test_support.h"
#include "tests/support/scripted_windows.h"
#include "ui/hook_window_host.h"

namespace quenvar {
namespace {

class TwoButtons final : public Dialog {
public:
    TwoButtons() : Dialog(950, "two") {
        AddButton(IdOk, "OK");
        AddButton(IdCancel, "Cancel");
    }
};

int Decline(zrWindow*, zrWindow*, void* context) {
    ++*static_cast<int*>(context);
    return 0;
}

int ShowAndLeaveOpen(zrWindow*, zrWindow*, void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

TEST(WindowHooks, AHookThatDeclinesLeavesTheWindowToTheFrontEnd) {
    HookWindowHost host(FrontEnd::Headless);
    int calls = 0;
    host.SetWindowHook(Decline, &calls);
    TwoButtons declined;
    EXPECT_EQ(DoModal(host, declined), IdOk);  // headless: the default button
    host.SetWindowHook(ShowAndLeaveOpen, &calls);
    TwoButtons leftOpen;
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
