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

std::string Shown(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class Terminal {
public:
    // Starts argv on a new pseudo-terminal in dir with the given editor.
    Terminal(const std::vector<std::string>& argv, const std::string& dir, const std::string& editor) {
        struct winsize size {};
        size.ws_row = 50;
        size.ws_col = 120;
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            if (chdir(dir.c_str()) != 0) _exit(126);
            setenv("VISUAL", editor.c_str(), 1);
            unsetenv("QUENVAR_ANSWER");
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
    }
    ~Terminal() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }
    bool Started() const { return pid_ > 0; }

    // Reads the screen until it shows text for the count-th time; false after about 20 seconds
    // without it.
    bool WaitFor(const std::string& text, int count = 1) {
        for (int waits = 0; Occurrences(text) < count; ++waits) {
            if (waits == 100) return false;
            ReadSome(200);
        }
        return true;
    }
    void Type(const std::string& keys) { EXPECT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }
    // Waits for the program to end and returns its exit status (-1 when it did not end).
    int Status() {
        for (int i = 0; i < 200 && !exited_; ++i) {
            if (!ReadSome(100)) usleep(50000);
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                while (ReadSome(50)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }
    const std::string& Screen() const { return screen_; }

private:
    int Occurrences(const std::string& text) const {
        int n = 0;
        for (size_t at = screen_.find(text); at != std::string::npos; at = screen_.find(text, at + 1)) ++n;
        return n;
    }
    bool ReadSome(int milliseconds) {
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, milliseconds) <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return false;
        screen_.append(buffer, size_t(n));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    bool exited_ = false;
    std::string screen_;
};

TEST(EditCommandAtTerminal, TextIsEditedAdjustedAndSavedThroughKeyedMenus) {
    ScratchDir dir;
    const std::string output = dir.File("adjusted.txt");
    // The editor moves known point A by 5 mm in X.
    Terminal t({QUENVAR_CLI_PATH, "edit", QUENVAR_SOURCE_DIR "/examples/survey.txt", output}, dir.File(""),
               "sed -i s/^A\\ \\ \\ \\ \\ 11\\ 1000.000000/A\\ \\ \\ \\ \\ 11\\ 1000.005000/");
    ASSERT_TRUE(t.Started());
    ASSERT_TRUE(t.WaitFor("key> ")) << t.Screen();
    EXPECT_TRUE(Contains(t.Screen(), Shown(u8"[4] 平差")));
    t.Type("a\n");  // the text, in the editor
    ASSERT_TRUE(t.WaitFor("key> ", 2)) << t.Screen();
    t.Type("2\n");  // 平面闭合差: the closure window lists the loops
    const std::string entryPrompt = "entry number, s saves, Enter closes> ";
    ASSERT_TRUE(t.WaitFor(entryPrompt)) << t.Screen();
    t.Type("1\n");  // the first loop: details and the sketch of its chart
    ASSERT_TRUE(t.WaitFor(entryPrompt, 2)) << t.Screen();
    EXPECT_TRUE(Contains(t.Screen(), "  |"));
    t.Type("\n");
    ASSERT_TRUE(t.WaitFor("key> ", 3)) << t.Screen();
    t.Type("4\n");  // 平差: the method dialog opens over the window
    ASSERT_TRUE(t.WaitFor(Shown(u8"== 平面网平差方法选择 [106] =="))) << t.Screen();
    ASSERT_TRUE(t.WaitFor("key> ", 4)) << t.Screen();
    t.Type("2\n");  // 开始平差
    ASSERT_TRUE(t.WaitFor("[Y/n]")) << t.Screen();
    t.Type("y\n");
    EXPECT_EQ(t.Status(), 0) << t.Screen();

    const std::string& screen = t.Screen();
    EXPECT_TRUE(Contains(screen, Shown(u8"平差结果")));
    EXPECT_TRUE(Contains(screen, Shown(u8"是否保存平差结果")));
    EXPECT_TRUE(Contains(screen, "saved the adjusted network"));
    EXPECT_TRUE(Contains(ReadWholeFile(output), "A     11 1000.005000 1000.000000"));
}

}  // namespace
}  // namespace quenvar::testing
