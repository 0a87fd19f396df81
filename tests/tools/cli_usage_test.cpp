// The command-line tool as a user meets it: help, wrong command lines, missing files, and the
// conversion of the library's GBK texts for the terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(CliHelp, GeneralAndCommandHelpExitWithZero) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"help"}, {"-h"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 0);
        for (const char* command : {"info", "convert", "calc", "closure", "adjust", "report", "show"}) {
            EXPECT_TRUE(Contains(r.out, std::string("\n  ") + command + " ")) << command;
        }
        EXPECT_EQ(r.err, "");
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"adjust", "--help"}, {"help", "adjust"},
                                                 {"adjust", "xy", "missing.txt", "-h"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(Contains(r.out, "Usage: quenvar adjust xy|h IN"));
        EXPECT_TRUE(Contains(r.out, "--iterations N"));
        EXPECT_TRUE(Contains(r.out, "--answer yes|no"));
    }
}

struct UsageCase {
    std::vector<std::string> args;
    std::string message;
};

TEST(CliUsage, WrongCommandLinesExitWithTwoAndSayWhy) {
    const std::vector<UsageCase> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"help", "frobnicate"}, "unknown command 'frobnicate'"},
        {{"--colour", "info", "a"}, "unknown option '--colour'"},
        {{"info"}, "missing arguments, expected FILE"},
        {{"info", "a", "b"}, "unexpected argument 'b'"},
        {{"convert", "a"}, "missing arguments, expected IN OUT"},
        {{"convert", "a", "b.txt", "--points-only=1"}, "option '--points-only' takes no value"},
        {{"calc", "z", "a"}, "network kind must be 'xy' (plane) or 'h' (height), not 'z'"},
        {{"calc", "xy", "a", "-o"}, "option '-o' needs a value (OUT)"},
        {{"adjust", "h", "a", "--method", "gauss"}, "unknown adjustment method 'gauss'"},
        {{"adjust", "h", "a", "--method", "8"}, "unknown adjustment method '8'"},
        {{"adjust", "xy", "a", "--iterations", "0"}, "--iterations must be a whole number from 1 to 99, not '0'"},
        {{"adjust", "xy", "a", "--iterations=3x"}, "--iterations must be a whole number from 1 to 99, not '3x'"},
        {{"adjust", "xy", "a", "--direction-sigma", "-1"}, "--direction-sigma must be a number not below 0"},
        {{"report", "summary", "a"}, "unknown report 'summary'"},
        {{"--answer", "maybe", "info", "a"}, "--answer must be 'yes' or 'no', not 'maybe'"},
        {{"info", "a", "--answer", "maybe"}, "--answer must be 'yes' or 'no', not 'maybe'"},
    };
    for (const UsageCase& c : cases) {
        const CliResult r = RunCli(c.args);
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_TRUE(Contains(r.err, "quenvar: " + c.message)) << shown;
        EXPECT_TRUE(Contains(r.err, "--help' for more information")) << shown;
        EXPECT_EQ(r.out, "") << shown;
    }
}

TEST(CliFiles, MissingUnreadableOrForeignInputExitsWithOne) {
    ScratchDir dir;
    const std::string missing = dir.File("nothere.txt");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", missing}, {"calc", "h", missing}, {"adjust", "xy", missing},
          {"convert", missing, dir.File("out.txt")}, {"report", "network", missing}, {"show", missing}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(Contains(r.err, "cannot read '" + missing + "': No such file or directory")) << args[0];
    }
    const CliResult directory = RunCli({"info", dir.File("")});
    EXPECT_EQ(directory.status, 1);
    EXPECT_TRUE(Contains(directory.err, "it is a directory"));
    const std::string notes = dir.File("notes.txt");
    WriteFile(notes, "shopping list\nbread\n");
    const CliResult unknown = RunCli({"info", notes});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(Contains(unknown.err, "'" + notes + "' is not a network file"));
}

TEST(CliFiles, UnwritableOutputIsRefusedBeforeAnyWork) {
    ScratchDir dir;
    const std::string input = dir.File("input.txt");
    WriteFile(input, "not a network\n");
    const std::string out = dir.File("no/such/dir/out.txt");
    // The output is checked first: the message names the output, not the unusable input.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", input, out}, {"calc", "xy", input, "-o", out},
          {"adjust", "h", input, "--report", out}, {"report", "network", input, out}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(Contains(r.err, "cannot write '" + out + "': directory '" + dir.File("no/such/dir") +
                                     "' does not exist"))
            << args[0];
    }
}

TEST(CliShow, PrintsGbkFilesAsUtf8AndGoesOnAfterAMissingOne) {
    ScratchDir dir;
    const std::string report = dir.File("report.txt");
    // The literal is compiled to GBK, as the library writes its reports; 0xFF is no GBK byte.
    WriteFile(report, "平差结果 m0=1.2\n\xFF\n");
    const CliResult r = RunCli({"show", dir.File("gone.txt"), report});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\xE5\xB9\xB3\xE5\xB7\xAE\xE7\xBB\x93\xE6\x9E\x9C m0=1.2\n?\n");
    EXPECT_TRUE(Contains(r.err, "cannot read '" + dir.File("gone.txt") + "'"));
}

}  // namespace
}  // namespace quenvar::testing
