#include "netdb/text_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "netdb/database_file.h"
#include "netdb/point_lookup.h"
#include "tests/support/recording_messenger.h"

namespace quenvar {
namespace {

using testing::RecordingMessenger;

constexpr double Deg = 0.017453292519943295;

struct ReadNet {
    Network net;
    RecordingMessenger ui;
    int result;
    explicit ReadNet(const std::string& text) {
        AllocateDatabase(net, ui, true);
        result = ReadTextNetworkFromString(net, ui, text);
    }
    std::string Name(int i) const { return PointName(net.Point(i)); }
    int Kind(int o) const { return KindOf(net.Obs(o)); }
    int Class(int o) const { return ObsClassOf(net.Obs(o)); }
};

bool SameContent(const Network& a, const Network& b) {
    return std::memcmp(&a.hdr, &b.hdr, sizeof a.hdr) == 0 &&
           std::memcmp(a.points.data(), b.points.data(), 20 * sizeof(PointRec)) == 0 &&
           std::memcmp(a.obs.data(), b.obs.data(), 20 * sizeof(ObsRec)) == 0;
}

const char* const Basic =
    "title <<\n"
    "P1 12 100.5 200.25 50\n"
    "<<\n"
    "P1 P2 c1 45.3000\n"
    "  P3 d 1234.567\n";

TEST(TextReader, StationLineAndIndentedLineFillTheChain) {
    ReadNet r(Basic);
    ASSERT_EQ(r.result, 2);
    ASSERT_EQ(r.net.hdr.pointCount, 3);
    EXPECT_EQ(r.Name(1) + r.Name(2) + r.Name(3), "P1P2P3");
    const PointRec& p1 = r.net.Point(1);
    EXPECT_EQ(p1.x, 100.5);
    EXPECT_EQ(p1.y, 200.25);
    EXPECT_EQ(p1.h, 50.0);
    EXPECT_EQ(PlaneClass(p1), 1);
    EXPECT_EQ(HeightClass(p1), 2);
    ASSERT_EQ(r.net.hdr.obsCount, 2);
    EXPECT_EQ(p1.firstObs, 1);
    EXPECT_EQ(r.net.Obs(1).next, 2);
    EXPECT_EQ(r.net.Obs(1).target, 2);
    EXPECT_EQ(r.Kind(1), KindDirection);
    EXPECT_EQ(r.Class(1), ClassFixed);
    EXPECT_NEAR(r.net.Obs(1).value, 0.7941248096574199, 1e-12);
    EXPECT_EQ(r.net.Obs(2).target, 3);
    EXPECT_EQ(r.Kind(2), KindDistance);
    EXPECT_EQ(r.Class(2), ClassOrdinary);
    EXPECT_EQ(r.net.Obs(2).value, 1234.567);
    EXPECT_EQ(r.net.hdr.lastPoint, 3);
    EXPECT_EQ(r.net.hdr.currentStation, 1);
    EXPECT_TRUE(r.ui.messages.empty());
}

TEST(TextReader, StationNamedAgainContinuesItsChain) {
    ReadNet r("<<\n<<\nA B d 1\n C d 2\nB A d 3\nA D d 4\n");
    ASSERT_EQ(r.net.hdr.obsCount, 4);
    EXPECT_EQ(r.net.Point(1).firstObs, 1);
    EXPECT_EQ(r.net.Obs(1).next, 2);
    EXPECT_EQ(r.net.Obs(2).next, 4);
    EXPECT_EQ(r.net.Point(2).firstObs, 3);
    EXPECT_EQ(r.net.Obs(3).next, 0);
    EXPECT_EQ(r.net.Obs(4).next, 0);
}

TEST(TextReader, SeparatorsTabsAndLineEndsReadLikeBlanks) {
    ReadNet plain(Basic);
    ReadNet marked("<<\n\"P1\",12,(100.5);[200.25]{50}|\n<<\nP1:'P2' c1 45.3000\n\tP3 d 1234.567\n");
    std::string crlf = Basic;
    for (size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) crlf.insert(at, "\r");
    ReadNet windows(crlf);
    EXPECT_TRUE(SameContent(plain.net, marked.net));
    EXPECT_TRUE(SameContent(plain.net, windows.net));
}

TEST(TextReader, CommentsShortLinesAndLongLinePieces) {
    // "ab" plus its line end is too short; "abc" plus its line end is a point; a line of more
    // than 99 characters continues as a line of its own.
    ReadNet r("<<\n   / P9 10 1 2 3\nab\nabc\nP1 10 1 2 3" + std::string(88, ' ') + "P8 10 5 6 7\n");
    ASSERT_EQ(r.net.hdr.pointCount, 3);
    EXPECT_EQ(r.Name(1) + "," + r.Name(2) + "," + r.Name(3), "abc,P1,P8");
    EXPECT_EQ(r.net.Point(3).x, 5.0);
}

TEST(TextReader, FileWithoutTitleLineChangesNothing) {
    ReadNet r("P1 10 1 2 3\n<<\n");
    EXPECT_EQ(r.result, 0);
    Network fresh;
    AllocateDatabase(fresh, r.ui, true);
    EXPECT_TRUE(SameContent(r.net, fresh));
}

TEST(TextReader, KindLettersAndClassCharacters) {
    ReadNet r("<<\nA 27 1 1 1\nB 5\n<<\nA B D 10\n B Q 10.3000\n B hm 1\n B lA 2\n B sx 3\n B #1 99\n");
    EXPECT_EQ(PlaneClass(r.net.Point(1)), 2);
    EXPECT_EQ(HeightClass(r.net.Point(1)), 7);
    EXPECT_EQ(PlaneClass(r.net.Point(2)), 0);
    ASSERT_EQ(r.net.hdr.obsCount, 6);
    EXPECT_EQ(r.Kind(1), KindDistance);
    EXPECT_EQ(r.Kind(2), KindDirection);  // Q is not a kind: defaultObsKind
    EXPECT_NEAR(r.net.Obs(2).value, 10.5 * Deg, 1e-12);
    EXPECT_EQ(r.Class(3), ClassSigma);
    EXPECT_EQ(r.Class(4), ClassPlanned);
    EXPECT_EQ(r.Class(5), ClassOrdinary);
    EXPECT_EQ(r.Kind(6), KindConnection);
    EXPECT_EQ(r.net.Obs(6).value, 0.0);
}

TEST(TextReader, ImplausibleAndSelfTargetedObservationsAreRejected) {
    ReadNet r("<<\n<<\nP1 P2 z 30.0000\n P2 z3 30.0000\n P2 z 90.0000\n P1 i 1.5\n P1 d 10\n");
    ASSERT_EQ(r.net.hdr.obsCount, 5);
    EXPECT_EQ(r.Class(1), ClassRejected);
    EXPECT_EQ(r.Class(2), ClassVerbatim);
    EXPECT_EQ(r.net.Obs(2).value, 30.0);
    EXPECT_EQ(r.Class(3), ClassOrdinary);
    EXPECT_EQ(r.Class(4), ClassOrdinary);
    EXPECT_EQ(r.Class(5), ClassRejected);
    EXPECT_EQ(r.ui.Texts(), (std::vector<std::string>{"观测值错误! 测站=1  目标=2\n",
                                                      "观测值错误! 测站=1  目标=1\n"}));
    EXPECT_EQ(r.ui.messages[0].caption, CaptionMessage);
}

TEST(TextReader, AngleAddsTheDirectionBeforeTheFirstDirectionToItsTarget) {
    ReadNet r("<<\n<<\nS A c 10.0000\n B < 30.0000\n A < 5.0000\n C c 20.0000\n A < 5.0000\n");
    ASSERT_EQ(r.net.hdr.obsCount, 5);
    EXPECT_EQ(r.Kind(2), KindDirection);
    EXPECT_NEAR(r.net.Obs(2).value, 40 * Deg, 1e-12);
    // A's first direction is record 1, which has no direction before it.
    EXPECT_NEAR(r.net.Obs(3).value, 5 * Deg, 1e-12);
    EXPECT_NEAR(r.net.Obs(5).value, 5 * Deg, 1e-12);
}

TEST(TextReader, SixCharacterNamesNeverMatchTheirStoredPoint) {
    ReadNet r("<<\nLONGER 10 1 1 1\n<<\nLONGER LONGER d 5\n");
    ASSERT_EQ(r.net.hdr.pointCount, 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.Name(i), "LONGE");
    EXPECT_EQ(r.net.Point(2).firstObs, 1);
    EXPECT_EQ(r.net.Obs(1).target, 3);  // the point the observation created
    EXPECT_TRUE(DatabaseIsConsistent(r.net));
}

TEST(TextReader, GrowthAtPoint3068StopsFurtherObservations) {
    std::string text = "<<\n";
    for (int i = 1; i <= 3060; ++i) text += "P" + std::to_string(i) + " 00 1 1 1\n";
    text += "<<\nP1 P2 d 10\n";
    for (int i = 1; i <= 10; ++i) text += " N" + std::to_string(i) + " d 10\n";
    ReadNet r(text);
    EXPECT_EQ(r.net.hdr.pointCount, 3070);
    EXPECT_EQ(r.net.hdr.capacityStep, 3);
    EXPECT_EQ(r.net.PointCapacity(), 4096);
    EXPECT_EQ(r.net.hdr.obsCount, 8);  // targets 3061..3067 before the growth
    EXPECT_EQ(r.ui.Texts(), std::vector<std::string>(3, "no enough space"));
}

TEST(TextReader, PointsBeyondTheSixteenBitCountAreRefusedOnce) {
    std::string text = "<<\n";
    for (int i = 1; i <= MaxPoints + 2; ++i) text += "Q" + std::to_string(i) + " 00\n";
    ReadNet r(text);
    EXPECT_EQ(r.net.hdr.pointCount, MaxPoints);
    EXPECT_EQ(r.ui.messages.size(), 1u);
    EXPECT_TRUE(DatabaseIsConsistent(r.net));
}

TEST(TextReader, HashedLookupAgreesWithTheLinearOne) {
    ReadNet r("<<\nA 10\nB 10\nA 20\nLONGER\n<<\nB A d 1\n C d 2\n");
    PointLookup lookup(r.net);
    for (const char* name : {"A", "B", "C", "LONGER", "LONGE", "Z", "      A", "   A"}) {
        EXPECT_EQ(lookup.Find(name), FindPoint(r.net, name)) << name;
    }
    EXPECT_EQ(FindPoint(r.net, "A x"), 1);
    EXPECT_EQ(FindPoint(r.net, "      A"), 0);
}

}  // namespace
}  // namespace quenvar
