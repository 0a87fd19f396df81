// The private profile reader: matching of sections and keys, the value's blanks and quotes,
// and the default for a missing file, section or key.
#include "ui/profile_file.h"

#include <gtest/gtest.h>

#include "tests/netdb/file_test_support.h"

namespace quenvar {
namespace {

TEST(ProfileFile, SectionsAndKeysMatchWithoutCaseAndBlanks) {
    testing::TempDir dir;
    const std::string ini = dir.File("app.ini");
    testing::WriteAll(ini,
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

    testing::WriteAll(ini, "[s]\nk=" + std::string(5000, 'v') + "\n");  // cut to the buffer
    EXPECT_EQ(ReadPrivateProfileString(ini, "s", "k", "").size(), ProfileValueLimit);
}

}  // namespace
}  // namespace quenvar
