// The command-line tool as a user meets it: help, wrong command lines, missing files, and the
// library's GBK texts shown as UTF-8.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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
    EXPECT_TRUE(ContainsAll(adjust.out, {"Usage: quenvar adjust xy|h IN [OPTIONS]", "--answer yes|no"}));
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
        EXPECT_TRUE(Ended(r, 2, "quenvar: " + message));
        EXPECT_TRUE(Contains(r.err, "--help' for more information"));
        EXPECT_EQ(r.out, "");
    }
}

TEST(Cli, MissingInputExitsWithOneAndShowGoesOnInUtf8) {
    TempDir dir;
    const std::string missing = dir.File("gone.txt");
    EXPECT_TRUE(Ended(RunCli({"info", missing}), 1, "cannot read '" + missing + "': No such file or directory"));

    // The literal is compiled to GBK, as the library writes its reports; 0xFF is no GBK byte.
    std::ofstream(dir.File("report.txt"), std::ios::binary) << "平差结果 m0=1.2\n\xFF\n";
    const CliResult show = RunCli({"show", missing, dir.File("report.txt")});
    EXPECT_TRUE(Ended(show, 1, "cannot read '" + missing + "'"));
    EXPECT_EQ(show.out, "\xE5\xB9\xB3\xE5\xB7\xAE\xE7\xBB\x93\xE6\x9E\x9C m0=1.2\n?\n");
}

// Nothing lost and nothing hidden: full disks and formats that cannot hold the results fail
// with exit status 1, "-" is standard input and output, and points that were not computed or
// took no part are named and end the run with exit status 3 unless allowed.
const std::string Plane = Example("plane.txt");

TEST(CliOutputs, AFullDiskFailsEveryWriter) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    for (const char* name : {"full.txt", "full.db", "full.wco"}) std::filesystem::create_symlink("/dev/full", dir.File(name));
    const std::string full = dir.File("full.txt");
    const std::vector<std::vector<std::string>> runs = {
        {"convert", Plane, full},  {"convert", Plane, dir.File("full.db")}, {"convert", Plane, dir.File("full.wco")},
        {"report", "network", Plane, full},  {"adjust", "xy", Plane, "--report", full},
        {"adjust", "xy", Plane, "--listing", full}, {"adjust", "xy", Plane, "--json", full},
        {"plot", Plane, "-o", full},
    };
    for (const auto& args : runs) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args.back() << "\n" << r.err;
        EXPECT_FALSE(Contains(r.err, "saved the network")) << args[0];
        EXPECT_FALSE(Contains(r.err, "wrote the")) << args[0];
    }
}

TEST(CliOutputs, FormatsThatLoseResultsAreRefusedUnlessForced) {
    TempDir dir;
    EXPECT_TRUE(Ended(RunCli({"adjust", "xy", Plane, "-o", dir.File("adj.wco")}), 1, "the computed coordinates would be lost"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("adj.wco")));
    EXPECT_EQ(RunCli({"calc", "xy", Plane, "-o", dir.File("calc.wco")}).status, 1);
    EXPECT_EQ(RunCli({"calc", "xy", Plane, "-o", dir.File("calc.wco"), "--force"}).status, 0);
    EXPECT_EQ(RunCli({"convert", Plane, dir.File("obs.wco")}).status, 0);  // nothing computed to lose
    EXPECT_TRUE(Ended(RunCli({"report", "precision", Plane}), 1, "holds no adjustment results"));
}

TEST(CliOutputs, DashIsStandardOutputForTextAndStandardInputForNetworks) {
    const CliResult text = RunCli({"convert", Plane, "-"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("<<\n", 0), 0u);
    EXPECT_TRUE(Contains(text.out, "K1    10 5123.456000 2045.789000 0.000000\n"));
    EXPECT_FALSE(std::filesystem::exists("-"));
    const CliResult piped = RunProgram({"sh", "-c", std::string("'") + QUENVAR_CLI_PATH + "' --quiet convert - - < '" + Plane + "'"});
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, text.out);
}

// An unknown point without observations: named, the run ends with 3 (1 when the user answers
// that the adjustment should not go on without it), the results are still written.
TEST(CliOutputs, PointsLeftOutAreNamedAndEndWithStatusThree) {
    TempDir dir;
    const std::string file = dir.File("lonely.txt");
    std::string network = ReadAll(Plane);
    std::ofstream(file) << network.insert(network.find("K1    10"), "Z9    00 0.000000 0.000000 0.000000\n");
    const CliResult calc = RunCli({"calc", "xy", file});
    EXPECT_TRUE(Ended(calc, 3, "1 point(s) could not be computed: Z9"));
    EXPECT_TRUE(Contains(calc.out, "Z9    00 no coordinates\n"));
    EXPECT_FALSE(Contains(calc.out, "Z9    00 0.000000"));
    EXPECT_EQ(RunCli({"calc", "xy", file, "--allow-incomplete"}).status, 0);
    EXPECT_EQ(RunCli({"adjust", "xy", file, "--allow-incomplete"}).status, 0);

    const std::string asked = "Z9 \xE7\x82\xB9\xE5\x9D\x90\xE6\xA0\x87";  // "Z9 点坐标" in UTF-8
    const CliResult yes = RunCli({"adjust", "xy", file, "--answer", "yes", "-o", dir.File("adj.txt")});
    EXPECT_TRUE(Ended(yes, 3, "took no part in the adjustment: Z9"));
    EXPECT_TRUE(ContainsAll(yes.err, {asked, "answered yes"}));
    EXPECT_TRUE(std::filesystem::exists(dir.File("adj.txt")));
    const CliResult no = RunCli({"--answer", "no", "adjust", "xy", file});
    EXPECT_TRUE(Ended(no, 1, "answered no"));
    EXPECT_TRUE(Contains(no.err, asked));
}

}  // namespace
}  // namespace quenvar::testing
