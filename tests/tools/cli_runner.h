// Runs the quenvar command-line tool as a separate process and collects its exit status and
// output; a scratch directory per test holds the files it writes.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace quenvar::testing {

struct CliResult {
    int status = -1;  // exit status, or 128 + signal number when the tool was killed
    std::string out;
    std::string err;
};

// Names both texts when the needle is missing, so a failure shows what the tool said.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& needle) {
    if (text.find(needle) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << needle << "' not found in:\n" << text;
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quenvar-cli-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs argv[0], looked up in PATH; standard input comes from /dev/null, so nothing waits for an
// answer. A program that cannot be started gives the status 127.
inline CliResult RunProgram(std::vector<std::string> argv) {
    ScratchDir scratch;
    const std::string outPath = scratch.File("stdout");
    const std::string errPath = scratch.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    CliResult result;
    result.status = 127;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), environ) == 0) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadWholeFile(outPath);
    result.err = ReadWholeFile(errPath);
    return result;
}

inline CliResult RunCli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {QUENVAR_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

}  // namespace quenvar::testing
