#include "netdb/editor_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "netdb/point_lookup.h"
#include "tests/netdb/temp_files.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using testing::NetworkBuilder;
using testing::ReadAll;
using testing::TempDir;

// Known points A (plane) and H (height), unknown U; A observes U twice, once rejected.
void Small(NetworkBuilder& b) {
    b.Point("A", 100, 200, 0, 1, 0);
    b.Point("U", 150, 250, 0, 0, 0);
    b.Point("H", 0, 0, 12.5, 0, 1);
    b.Obs(1, 2, KindDirection, 0.7941248096574199, 1);
    b.Obs(1, 2, KindDistance, -5.0, ClassRejected);
    b.Obs(1, 2, KindDistance, 1234.567);
    b.Obs(2, 3, KindLevelled, 0.5);
    b.Obs(3, 2, KindDistance, 7.0, ClassRejected);
}

TEST(EditorText, ListsKnownPointsAndTabIndentedObservations) {
    Network net;
    NetworkBuilder b(net);
    Small(b);
    std::string text = "old";
    BuildEditorText(net, text);
    EXPECT_EQ(text,
              "<<\r\n"
              "A     10 100.000000 200.000000 0.000000\r\n"
              "H     01 0.000000 0.000000 12.500000\r\n"
              "<<\r\n"
              "A     \tU      c1    45.300000\r\n"
              "\tU      d0  1234.567000\r\n"
              "\r\n"
              "U     \tH      h0     0.500000\r\n"
              "\r\n"
              "H     \r\n");
}

TEST(EditorText, ApplyingTheTextReplacesTheNetworkAndResetsTheHeader) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    Small(b);
    net.hdr.dirSigma = 1e-5f;
    net.hdr.designMode = 1;
    std::string text;
    BuildEditorText(net, text);
    const std::string scratch = dir.File("tmp.txt");
    ASSERT_EQ(ApplyEditorText(net, b.ui(), text, scratch), 2);
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_TRUE(b.ui().messages.empty());
    EXPECT_EQ(net.hdr.dirSigma, 0.0f);
    EXPECT_EQ(net.hdr.designMode, 0);
    ASSERT_EQ(net.hdr.pointCount, 3);
    EXPECT_EQ(PointName(net.Point(1)) + PointName(net.Point(2)) + PointName(net.Point(3)), "AHU");
    EXPECT_EQ(net.Point(3).x, 0.0);  // unknown points come back as bare targets
    EXPECT_EQ(net.Point(2).h, 12.5);
    EXPECT_EQ(net.hdr.obsCount, 3);
    std::string again;
    BuildEditorText(net, again);
    EXPECT_EQ(again.substr(0, again.find("U     \t")), text.substr(0, text.find("U     \t")));
}

TEST(EditorText, UnreadableOrUnwritableTextFailsAsDocumented) {
    TempDir dir;
    Network net;
    NetworkBuilder b(net);
    Small(b);
    EXPECT_EQ(ApplyEditorText(net, b.ui(), "<<\r\n", dir.File("none/tmp.txt")), 0);
    EXPECT_EQ(net.hdr.pointCount, 3);

    const std::string scratch = dir.File("tmp.txt");
    EXPECT_EQ(ApplyEditorText(net, b.ui(), "A 10 1 2 3\r\n", scratch), 0);
    EXPECT_EQ(net.hdr.pointCount, 0);
    EXPECT_EQ(ReadAll(scratch), "A 10 1 2 3\r\n");
    EXPECT_EQ(b.ui().Texts(), std::vector<std::string>{"更新修改失败, 数据存在 TMP.TXT中"});
}

}  // namespace
}  // namespace quenvar
