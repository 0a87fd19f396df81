// Runs the quenvar command-line tool as a separate process and collects its exit status and
// output.
#pragma once

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/netdb/file_test_support.h"

namespace quenvar::testing {

struct CliResult {
    int status = 127;  // exit status; 127 when the program could not be started
    std::string out, err;
};

// Names both texts when the needle is missing, so a failure shows what the tool said.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& needle) {
    if (text.find(needle) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << needle << "' not found in:\n" << text;
}

// Every needle is in text; a failure names the first one missing.
inline ::testing::AssertionResult ContainsAll(const std::string& text, std::initializer_list<std::string> needles) {
    for (const std::string& needle : needles)
        if (::testing::AssertionResult found = Contains(text, needle); !found) return found;
    return ::testing::AssertionSuccess();
}

inline std::string Example(const std::string& name) { return std::string(QUENVAR_SOURCE_DIR) + "/examples/" + name; }

// What the terminal shows is UTF-8, while plain literals here are GBK.
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Runs argv[0], looked up in PATH, through the shell with every word quoted as it is, and with
// standard input from /dev/null so nothing waits for an answer.
inline CliResult RunProgram(const std::vector<std::string>& argv) {
    TempDir scratch;
    auto quoted = [](const std::string& word) {
        std::string q = "'";
        for (const char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "' ";
    };
    std::string command;
    for (const std::string& word : argv) command += quoted(word);
    command += "</dev/null >" + quoted(scratch.File("out")) + "2>" + quoted(scratch.File("err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadAll(scratch.File("out")),
            ReadAll(scratch.File("err"))};
}

// The run ended with the exit status and named the reason on standard error.
inline ::testing::AssertionResult Ended(const CliResult& r, int status, const std::string& reason) {
    if (r.status != status) return ::testing::AssertionFailure() << "exit status " << r.status << ", not " << status << ":\n" << r.err;
    return Contains(r.err, reason);
}

inline CliResult RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), QUENVAR_CLI_PATH);
    return RunProgram(args);
}

// The tool started in directory dir, where some commands leave working files.
inline CliResult RunCliIn(const std::string& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"sh", "-c", "cd \"$0\" && exec \"$@\"", dir, QUENVAR_CLI_PATH});
    return RunProgram(args);
}

}  // namespace quenvar::testing
