// The command-line tool as a user meets it: help, wrong command lines, missing files, and the
// library's GBK texts shown as UTF-8.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

TEST(Cli, EveryCommandHasHelpWithExamplesAndTheToolAVersion) {
    const CliResult general = RunCli({"--help"});
    EXPECT_EQ(general.status, 0);
    for (const char* command : {"info", "convert", "calc", "closure", "adjust", "report", "show"})
        EXPECT_TRUE(Contains(general.out, std::string("\n  ") + command + " "));
    std::istringstream in(general.out.substr(general.out.find("Commands:\n")));
    std::string line;
    std::getline(in, line);
    int commands = 0;
    while (std::getline(in, line) && line.starts_with("  ")) {
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        if (name == "help") continue;
        ++commands;
        const CliResult help = RunCli({"help", name});
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_TRUE(Contains(help.out, "Example")) << name;
        EXPECT_TRUE(Contains(help.out, "  quenvar " + name + " ")) << name;
    }
    EXPECT_GE(commands, 12);
    const CliResult adjust = RunCli({"adjust", "xy", "missing.txt", "-h"});
    EXPECT_EQ(adjust.status, 0);
    EXPECT_TRUE(Contains(adjust.out, "Usage: quenvar adjust xy|h IN [OPTIONS]"));
    EXPECT_TRUE(Contains(adjust.out, "--answer yes|no"));
    const CliResult version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quenvar ", 0), 0u);
}

TEST(Cli, WrongCommandLinesExitWithTwoAndSayWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"info", "a", "b"}, "unexpected argument 'b'"},
        {{"calc", "z", "a"}, "network kind must be 'xy' (plane) or 'h' (height), not 'z'"},
        {{"calc", "xy", "a", "-o"}, "option '-o' needs a value (OUT)"},
        {{"adjust", "h", "a", "--method", "8"}, "unknown adjustment method '8'"},
        {{"adjust", "xy", "a", "--iterations=3x"}, "--iterations must be a whole number from 1 to 99, not '3x'"},
        {{"info", "a", "--answer", "maybe"}, "--answer must be 'yes' or 'no', not 'maybe'"},
        {{"closures", "z", "a"}, "the network kind is 'xy' or 'h', not 'z'"},
        {{"design", "h", "a", "-m", "second"}, "unknown design method 'second'"},
        {{"convert", "a", "x.db", "--points-only"}, "--points-only applies to the text formats"},
    };
    for (const auto& [args, message] : cases) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_TRUE(Contains(r.err, "quenvar: " + message));
        EXPECT_TRUE(Contains(r.err, "--help' for more information"));
        EXPECT_EQ(r.out, "");
    }
}

TEST(Cli, MissingInputExitsWithOneAndShowGoesOnInUtf8) {
    ScratchDir dir;
    const std::string missing = dir.File("gone.txt");
    const CliResult info = RunCli({"info", missing});
    EXPECT_EQ(info.status, 1);
    EXPECT_TRUE(Contains(info.err, "cannot read '" + missing + "': No such file or directory"));

    // The literal is compiled to GBK, as the library writes its reports; 0xFF is no GBK byte.
    std::ofstream(dir.File("report.txt"), std::ios::binary) << "平差结果 m0=1.2\n\xFF\n";
    const CliResult show = RunCli({"show", missing, dir.File("report.txt")});
    EXPECT_EQ(show.status, 1);
    EXPECT_EQ(show.out, "\xE5\xB9\xB3\xE5\xB7\xAE\xE7\xBB\x93\xE6\x9E\x9C m0=1.2\n?\n");
    EXPECT_TRUE(Contains(show.err, "cannot read '" + missing + "'"));
}

}  // namespace
}  // namespace quenvar::testing
