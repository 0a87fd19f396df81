// `quenvar edit` at a terminal: the tool runs on a pseudo-terminal, the test types the keys a
// user would and reads the screen.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

// Runs argv on a new pseudo-terminal in dir with the given editor, the keys typed ahead, and
// collects the screen; the exit status, or -1 when the program did not end within 20 seconds.
int RunAtTerminal(const std::vector<std::string>& argv, const std::string& dir, const std::string& editor,
                  const std::string& keys, std::string& screen) {
    int master = -1;
    struct winsize size {};
    size.ws_row = 50;
    size.ws_col = 120;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("VISUAL", editor.c_str(), 1);
        unsetenv("QUENVAR_ANSWER");
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    EXPECT_EQ(write(master, keys.data(), keys.size()), ssize_t(keys.size()));
    int status = -1;
    for (int waits = 0; waits < 400 && status == -1; ++waits) {
        pollfd fd{master, POLLIN, 0};
        char buffer[4096];
        const ssize_t n = poll(&fd, 1, 50) > 0 ? read(master, buffer, sizeof buffer) : 0;
        if (n > 0) {
            screen.append(buffer, size_t(n));
        } else if (waitpid(pid, &status, WNOHANG) == pid) {
            status = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        } else {
            status = -1;  // still running, the screen hung up meanwhile: wait a little
            usleep(50000);
        }
    }
    if (status == -1) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    close(master);
    return status;
}

TEST(EditCommandAtTerminal, TextIsEditedAdjustedAndSavedThroughKeyedMenus) {
    TempDir dir;
    const std::string output = dir.File("adjusted.txt");
    // a: the text, in the editor, which moves known point A by 5 mm in X; 2 平面闭合差 lists the
    // loops, 1 shows the first with the sketch of its chart, Enter closes the list; 4 平差 opens
    // the method dialog, 2 开始平差, y saves the results.
    std::string screen;
    const int status = RunAtTerminal({QUENVAR_CLI_PATH, "edit", Example("survey.txt"), output}, dir.File(""),
                                     "sed -i s/^A\\ \\ \\ \\ \\ 11\\ 1000.000000/A\\ \\ \\ \\ \\ 11\\ 1000.005000/",
                                     "a\n2\n1\n\n4\n2\ny\n", screen);
    EXPECT_EQ(status, 0) << screen;
    EXPECT_TRUE(ContainsAll(screen, {Utf8(u8"[4] 平差"), "entry number, s saves, Enter closes> ", "  |",
                                     Utf8(u8"== 平面网平差方法选择 [106] =="), "[Y/n]", Utf8(u8"平差结果"),
                                     Utf8(u8"是否保存平差结果"), "saved the adjusted network"}));
    EXPECT_TRUE(Contains(ReadAll(output), "A     11 1000.005000 1000.000000"));
}

}  // namespace
}  // namespace quenvar::testing
