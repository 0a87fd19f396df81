// The input checker as a user meets it: every kind of line the reader would quietly misread is
// named with its file, line number and text; commands print the same warnings on standard
// error and --strict makes them fail before anything is computed or written.
#include <gtest/gtest.h>

#include <filesystem>

#include "quenvar_check.hpp"
#include "tests/tools/cli_runner.h"

namespace quenvar::testing {
namespace {

// Known K1, K2, K3 and unknown P1; the case's lines are put in at the marked places.
std::string Network(const std::string& pointLines, const std::string& observationLines) {
    return "<< checker case\n"
           "K1    10 1000.0 1000.0 0\n"
           "K2    10 1000.0 2000.0 0\n"
           "K3    10 2000.0 1500.0 0\n"
           "P1    00\n" +
           pointLines + "<<\n" + "K1    K2 c0 90.0000\n" + "      P1 c0 45.0000\n" + observationLines;
}

struct Case {
    std::string points, observations;
    int line;
    std::string warning;
};

TEST(CliInputCheck, EachMisreadLineIsNamedWithItsLineNumber) {
    const Case cases[] = {
        {"TRAV0001 00\nTRAV0002 00\n", "", 6, "the name 'TRAV0001' is longer than 5 bytes: it is stored as 'TRAV0'"},
        {"TRAV0001 00\nTRAV0002 00\n", "", 7, "(named the same: 'TRAV0001')"},
        {"ALPHA1 10 1 2 0\n", "      ALPHA c0 10.0000\n", 6, "stored as 'ALPHA' and every line naming it creates another point (named the same: 'ALPHA')"},
        {"\xE6\xB5\x8B\xE7\x82\xB9 00\n", "", 6, "is cut inside a character: it is stored as '\xE6\xB5\x8B\\xE7\\x82'"},
        {"", "      P1 c0 abc\n", 9, "the value 'abc' is not a number"},
        {"B     10 10x00 2000 0\n", "", 6, "the X field '10x00' is not a number"},
        {"", "      K3 c0 315.7000\n", 9, "the angle 315.7000 (ddd.mmss) has minutes 70"},
        {"", "      K3 c0 15.0575\n", 9, "has seconds 75"},
        {"K2    10 1000.0 2000.5 0\n", "", 6, "the point 'K2' is given again with other values (first on line 3): the last line counts"},
        {"hello world\n", "", 6, "expected 'name classes X Y H' with two class digits (plane, height), found 'world'"},
        {"", "      K3  \n", 9, "expected 'target kind+class value', found only a name"},
        {"", "      P1 q0 1.0\n", 9, "unknown kind letter 'q'"},
        {"", "      P1 d0 100.0 7\n", 9, "the text after the value is ignored: '7'"},
        {"", "      K1 d0 100.0\n", 9, "the observation aims from 'K1' at itself: it is rejected"},
        {"", "      P1 z0 30.0000\n", 9, "is outside the range of its kind: it is rejected"},
        {"", "      P1X d0 100.0\n", 9, "the name 'P1X' is used only here: is it a typo of 'P1'?"},
        {"", "P2\n      P1 d0 5.0\n", 9, "a line shorter than 4 characters is ignored: 'P2' is not read"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string file = dir.File("net.txt");
        std::ofstream(file, std::ios::binary) << Network(c.points, c.observations);
        const CliResult r = RunCli({"check", file});
        EXPECT_EQ(r.status, 1) << c.warning;
        // The warning's own line starts with the file and the line number.
        const size_t at = r.out.find(c.warning);
        ASSERT_NE(at, std::string::npos) << c.warning << " not in:\n" << r.out;
        const size_t start = r.out.rfind('\n', at) + 1;
        EXPECT_EQ(r.out.substr(start, r.out.find(": warning: ", start) - start), file + ":" + std::to_string(c.line));
    }
}

TEST(CliInputCheck, CleanFilesPassAndCommandsWarnOnStandardErrorOrFailWhenStrict) {
    TempDir dir;
    const std::string clean = dir.File("clean.txt"), bad = dir.File("bad.txt"), out = dir.File("out.txt");
    std::ofstream(clean) << Network("", "      K3 c0 315.3000\n");
    std::ofstream(bad) << Network("", "      K3 c0 315.7000\n");
    const CliResult ok = RunCli({"check", clean});
    EXPECT_EQ(ok.status, 0);
    EXPECT_TRUE(Contains(ok.out, "no warnings"));
    EXPECT_EQ(RunCli({"check", Example("plane.txt")}).status, 0);

    const CliResult warned = RunCli({"info", bad});
    EXPECT_EQ(warned.status, 0);
    EXPECT_TRUE(ContainsAll(warned.err, {bad + ":9: warning: the angle 315.7000", "    |       K3 c0 315.7000"}));

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--strict", "convert", bad, out},
                                                 {"calc", "xy", bad, "-o", out, "--strict"}}) {
        EXPECT_TRUE(Ended(RunCli(args), 1, "1 warning(s) and --strict: nothing computed or written"));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(CliInputCheck, TheCommaSeparatedPairIsCheckedInBothFiles) {
    TempDir dir;
    EXPECT_EQ(RunCli({"--quiet", "convert", Example("plane.txt"), dir.File("p.wco")}).status, 0);
    EXPECT_EQ(RunCli({"check", dir.File("p.wco")}).status, 0);  // what the library writes reads cleanly

    std::ofstream(dir.File("q.wco")) << "0\n20.000,1.0x,2.000\nLONGNAME1,1,2\nK2,5210.3\n0,0,0\nK1,74.7000,K2\n0,0,0\n-1,0\n-1\n";
    std::ofstream(dir.File("q.wob")) << "K1,3\nK2,1,74.434342\nT1,5,100\n0,0,0\n-1,0\n";
    const CliResult r = RunCli({"check", dir.File("q.wco")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(ContainsAll(r.out, {dir.File("q.wco") + ":2: warning: the a-priori error '1.0x' is not a number",
          dir.File("q.wco") + ":3: warning: the name 'LONGNAME1' is longer than 5 bytes: it is stored as 'LONGN'",
          dir.File("q.wco") + ":4: warning: the line has 2 of 3 fields: the missing ones keep the values of the line before",
          dir.File("q.wco") + ":6: warning: the angle 74.7000 (ddd.mmss) has minutes 70",
          dir.File("q.wob") + ":3: warning: the type '5' is not 1 (direction), 2 (distance) or 3 (fixed distance)"}));
    std::filesystem::remove(dir.File("q.wob"));
    EXPECT_TRUE(Contains(RunCli({"check", dir.File("q.wco")}).out,
                         dir.File("q.wco") + ": warning: the observation file '" + dir.File("q.wob") + "' is missing"));
}

// A text network naming its 3,068th point grows the storage there, and the reader refuses every
// observation from then on: the checker names the line and the count, and the tool shows the
// reader's refusals as one box with the number of its repeats.
TEST(CliInputCheck, ObservationsAfterTheStorageGrowsAreCountedAndShownOnce) {
    std::string text = "<< large\nP1    10 1000.0 1000.0 0\n";
    for (int p = 2; p <= 3067; ++p) text += "P" + std::to_string(p) + " 00\n";
    text += "<<\nP1    P2 d0 100.0\n      P3068 d0 100.0\n      P3 d0 100.0\n      P4 d0 100.0\n";
    TempDir dir;
    const std::string file = dir.File("large.txt");
    std::ofstream(file, std::ios::binary) << text;
    const std::string warning = file + ":3071: warning: this line names the 3068th point";
    EXPECT_TRUE(ContainsAll(RunCli({"check", file}).out, {warning, "the 3 observation lines from here on are refused"}));
    const CliResult r = RunCli({"convert", file, dir.File("large.db")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string box = Utf8(u8"\u2502 no enough space\n");
    EXPECT_TRUE(ContainsAll(r.err, {warning, box, "(the same message 2 more times)"}));
    EXPECT_EQ(r.err.find(box), r.err.rfind(box));
}

// The checker reads as the reader does: separators, comments, indentation by tab and CR LF.
TEST(InputChecker, ReadsLinesAsTheReaderDoes) {
    const std::string text = "<<\r\nA,10,(1.0),[2.0],0\r\n/ TRAV0001 a comment\r\nB 00\r\n<<\r\nA\tB c0 1.3000\r\n\tB d0 5\r\n";
    EXPECT_TRUE(CheckNetworkText(text, "t").empty());
    const std::vector<InputWarning> w = CheckNetworkText("no title\nA 10 1 2 3\n", "t");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].line, 1);
    const std::string longLine = "<<\nA 10 1 2 3" + std::string(100, ' ') + "\n<<\n";
    EXPECT_TRUE(Contains(CheckNetworkText(longLine, "t").at(0).message, "longer than 99 characters"));
}

}  // namespace
}  // namespace quenvar::testing
