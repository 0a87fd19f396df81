#include "netdb/editor_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

// Known points A (plane) and H (height), unknown U; rejected observations at A and H.
struct Small {
    Network net;
    testing::NetworkBuilder b{net};
    Small() {
        b.Point("A", 100, 200, 0, 1, 0);
        b.Point("U", 150, 250, 0, 0, 0);
        b.Point("H", 0, 0, 12.5, 0, 1);
        b.Obs(1, 2, KindDirection, 0.7941248096574199, 1);
        b.Obs(1, 2, KindDistance, -5.0, ClassRejected);
        b.Obs(1, 2, KindDistance, 1234.567);
        b.Obs(2, 3, KindLevelled, 0.5);
        b.Obs(3, 2, KindDistance, 7.0, ClassRejected);
    }
};

const char* const SmallText =
    "<<\r\nA     10 100.000000 200.000000 0.000000\r\nH     01 0.000000 0.000000 12.500000\r\n<<\r\n"
    "A     \tU      c1    45.300000\r\n\tU      d0  1234.567000\r\n\r\n"
    "U     \tH      h0     0.500000\r\n\r\n"
    "H     \r\n";

TEST(EditorText, BuildAndApplyGiveBackKnownPointsAndObservations) {
    testing::TempDir dir;
    Small s;
    s.net.hdr.designMode = 1;
    std::string text = "old";
    BuildEditorText(s.net, text);
    EXPECT_EQ(text, SmallText);
    const std::string scratch = dir.File("tmp.txt");
    ASSERT_EQ(ApplyEditorText(s.net, s.b.ui(), text, scratch), 2);
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_EQ(s.net.hdr.designMode, 0);  // header settings are reset
    // U comes back as a bare target after the known points; H's only observation was
    // rejected, so H no longer has a station block.
    std::string again;
    BuildEditorText(s.net, again);
    EXPECT_EQ(again + "H     \r\n", SmallText);
    EXPECT_EQ(PointName(s.net.Point(3)) + std::to_string(s.net.Point(3).x), "U0.000000");
    EXPECT_TRUE(s.b.ui().messages.empty());
}

TEST(EditorText, UnreadableOrUnwritableTextFailsAsDocumented) {
    testing::TempDir dir;
    Small s;
    EXPECT_EQ(ApplyEditorText(s.net, s.b.ui(), "<<\r\n", dir.File("none/tmp.txt")), 0);
    EXPECT_EQ(s.net.hdr.pointCount, 3);
    EXPECT_EQ(ApplyEditorText(s.net, s.b.ui(), "A 10 1 2 3\r\n", dir.File("tmp.txt")), 0);
    EXPECT_EQ(s.net.hdr.pointCount, 0);
    EXPECT_EQ(testing::ReadAll(dir.File("tmp.txt")), "A 10 1 2 3\r\n");
    EXPECT_EQ(s.b.ui().Texts(), std::vector<std::string>{"更新修改失败, 数据存在 TMP.TXT中"});
}

}  // namespace
}  // namespace quenvar
