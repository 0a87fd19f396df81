// The entry points as a host program uses them: the window entries, the results reader and the
// guard that turns an exception inside an entry into an internal error and a failure value.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

struct HostLog {
    std::vector<int> windows;
    std::vector<std::string> texts;
    std::vector<unsigned> help;
    int pressResult = -1;
};

int Answer(const char*, const char*, int kind, void*) { return kind == 2 ? 0 : 1; }

// Looks at the windows through their handles: adjusts once, answers No to the save question
// (the message hook) and cancels the adjustment window.
int Host(zrWindow* window, zrWindow* parent, void* context) {
    HostLog& log = *static_cast<HostLog*>(context);
    log.windows.push_back(zrWindowId(window));
    if (zrWindowId(window) == 117) {
        EXPECT_EQ(parent, nullptr);
        char small[8];
        const int length = zrGetControlText(window, 108, small, sizeof small);
        EXPECT_GT(length, int(sizeof small));
        EXPECT_EQ(std::string(small), std::string("<<\r\nA  ").substr(0, 7));
        std::string text(size_t(length) + 1, '\0');
        EXPECT_EQ(zrGetControlText(window, 108, text.data(), length + 1), length);
        log.texts.push_back(text.c_str());
        EXPECT_EQ(zrGetControlText(window, 999, small, sizeof small), -1);
        EXPECT_EQ(zrControlKind(window, 108), 2);
        EXPECT_EQ(zrControlState(window, 108), 1 | 2 | 8);
        EXPECT_EQ(zrSelectListItem(window, 108, 0), 0);  // not a list
        EXPECT_EQ(zrPressButton(window, 108), 0);        // not a button
        zrPressButton(window, 1);
        log.pressResult = zrWindowResult(window);
        zrPressButton(window, 2);
        EXPECT_EQ(zrWindowResult(window), 2);
        EXPECT_EQ(zrPressButton(window, 1), 0);  // the window has ended
    } else {
        EXPECT_NE(parent, nullptr);
        EXPECT_EQ(zrWindowId(parent), 117);
        char item[32];
        EXPECT_EQ(zrGetListCount(window, 103), 8);
        EXPECT_EQ(zrGetListItem(window, 103, 8, item, sizeof item), -1);
        EXPECT_GT(zrGetListItem(window, 103, 7, item, sizeof item), 0);
        EXPECT_EQ(zrGetControlLabel(window, 102, item, sizeof item), int(std::string("迭代次数").size()));
        EXPECT_EQ(zrCheckRadioButton(window, 112), 1);
        EXPECT_EQ(zrControlState(window, 111) & 4, 0);
        EXPECT_EQ(zrSetControlText(window, 208, "1"), 0);  // disabled: no class-4 observations
        zrPressButton(window, 666);
        zrPressButton(window, 1);
        EXPECT_EQ(zrWindowResult(window), 1);
    }
    return 1;
}

void Help(unsigned helpContext, int command, void* context) {
    static_cast<HostLog*>(context)->help.push_back(helpContext * 10 + unsigned(command));
}

TEST(WindowExports, BothEditorEntriesBehaveAlikeUnderAHost) {
    TempDir dir;
    const std::string save = dir.File("saved.db");
    std::vector<HostLog> logs(2);
    zrSetMessageHook(Answer, nullptr);
    zrSetHelpHook(Help, nullptr);
    for (int entry = 0; entry < 2; ++entry) {
        HostLog& log = logs[size_t(entry)];
        zrSetWindowHook(Host, &log);
        zrSetHelpHook(Help, &log);
        const char* survey = QUENVAR_SOURCE_DIR "/examples/survey.txt";
        const int result = entry == 0 ? OnTextEditor(survey, save.c_str()) : zrAdjustmentWindow(survey, save.c_str());
        EXPECT_EQ(result, 2);
        EXPECT_FALSE(Library().net.Present());
        EXPECT_FALSE(std::filesystem::exists(save));
    }
    zrSetWindowHook(nullptr, nullptr);
    zrSetHelpHook(nullptr, nullptr);
    zrSetMessageHook(nullptr, nullptr);
    for (const HostLog& log : logs) {
        EXPECT_EQ(log.windows, (std::vector<int>{117, 106}));
        EXPECT_EQ(log.help, (std::vector<unsigned>{0x2006Au * 10 + 1}));
        EXPECT_EQ(log.pressResult, -1);  // No to the save question keeps the window open
    }
    EXPECT_EQ(logs[0].texts, logs[1].texts);
}

TEST(WindowExports, NullHandlesAndBuffersAreRefused) {
    EXPECT_EQ(zrWindowId(nullptr), 0);
    EXPECT_EQ(zrWindowResult(nullptr), -1);
    EXPECT_EQ(zrWindowControlId(nullptr, 0), -1);
    EXPECT_EQ(zrGetControlText(nullptr, 108, nullptr, 0), -1);
    EXPECT_EQ(zrPressButton(nullptr, 1), 0);
    EXPECT_EQ(zrSetControlText(nullptr, 108, "x"), 0);
}

// An exception inside an entry point never reaches the host: it is shown as an internal error
// naming the entry, the entry returns its failure value and the library keeps working.
// A host whose message function fails for the first `failures` calls, then records the
// information texts.
struct FailingHost {
    int failures = 0;
    Strings texts;
    std::vector<int> kinds;

    static int Hook(const char* text, const char*, int kind, void* context) {
        auto& host = *static_cast<FailingHost*>(context);
        host.kinds.push_back(kind);
        if (host.failures > 0) {
            --host.failures;
            throw std::runtime_error("host failed");
        }
        if (kind == MsgInfo) host.texts.emplace_back(text);
        return 1;
    }
};

TEST(GuardedExports, ExceptionsBecomeInternalErrorsAndFailureValues) {
    TempDir dir;
    WriteAll(dir.File("net.txt"), "net <<\nA 10 1000 1000 0\nB 10 1100 1000 0\nC 00\n<<\n"
                                  "A C d 70.711\n  B c 0\n  C c 45\nB C d 70.711\n  A c 0\n  C c 315\n");
    FailingHost host;
    zrSetMessageHook(FailingHost::Hook, &host);
    const std::string unwritable = dir.File("missing/x.db");
    const std::pair<const char*, std::function<int()>> cases[] = {
        {"zrLoadData", [&] { return zrLoadData(dir.File("none").c_str()); }},  // not-found message
        {"zrSaveData", [&] { return zrSaveData(unwritable.c_str(), 0); }},     // write failure
        {"zrXYAdjustment", [] { return zrXYAdjustment(6, 3); }},               // progress text
        {"zrHAdjustment", [] { return zrHAdjustment(0, 1); }},                 // progress text
        {"zrXYCalculate", [] {
             Library().net.hdr.designMode = 1;  // asks before it starts
             return zrXYCalculate();
         }},
    };
    for (const auto& [entry, call] : cases) {
        ASSERT_EQ(zrLoadData(dir.File("net.txt").c_str()), 1);
        host.texts.clear();
        host.kinds.clear();
        host.failures = 1;
        EXPECT_EQ(call(), 0) << entry;  // the entry's failure value
        EXPECT_EQ(host.texts, Strings{std::string("内部错误! 入口=") + entry + "  host failed"}) << entry;
        // A progress window left open by the failure is closed.
        EXPECT_TRUE(host.kinds.front() != MsgProgress || host.kinds.back() == MsgCloseProgress) << entry;
    }
    // The next calls work, also when the report of the failure fails in turn.
    host.failures = 2;
    EXPECT_EQ(zrLoadData(dir.File("none").c_str()), 0);
    EXPECT_EQ(zrLoadData(dir.File("net.txt").c_str()), 1);
    EXPECT_EQ(zrXYAdjustment(6, 3), 1);
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

TEST(GuardedExports, AnExceptionOfAnyTypeIsNamedAndEntriesWithoutResultSwallowIt) {
    FailingHost host;
    zrSetMessageHook(FailingHost::Hook, &host);
    EXPECT_EQ(Guarded("zrTest", -7, []() -> int { throw 42; }), -7);
    GuardedCall("zrTestCall", [] { throw std::length_error("too long"); });
    EXPECT_EQ(host.texts, (Strings{"内部错误! 入口=zrTest  未知异常", "内部错误! 入口=zrTestCall  too long"}));
    zrSetMessageHook(nullptr, nullptr);
}

// The results reader copies records as they are, says 0 (with a zeroed record) outside them,
// and never shows a pending double solution's candidates as a position.
class ResultsReader : public ::testing::Test {
protected:
    void TearDown() override { zrFreeData(); }
};

TEST_F(ResultsReader, RecordsOutsideTheNetworkAreRefusedZeroed) {
    zrFreeData();
    zrResultSummary summary;
    std::memset(&summary, 0x55, sizeof summary);
    EXPECT_EQ(zrGetResultSummary(&summary), 0);
    EXPECT_EQ(summary.pointCount, 0);
    EXPECT_EQ(zrGetResultSummary(nullptr), 0);

    NetworkBuilder b(Library().net);
    b.Point("A", 100, 200, 5, 1, 1);
    b.Obs(1, 1, KindInstrument, 1.5);
    zrPointResult p;
    zrObservationResult o;
    zrPrecisionRecord r;
    for (const int index : {0, 2, -1}) {
        std::memset(&p, 0x55, sizeof p);
        EXPECT_EQ(zrGetPoint(index, &p), 0) << index;
        EXPECT_EQ(p.name[0], 0);
        EXPECT_EQ(zrGetObservation(index == 0 ? 2 : index, &o), 0) << index;
    }
    EXPECT_EQ(zrGetObservation(0, &o), 0);
    EXPECT_EQ(zrGetPrecisionRecord(1, &r), 0);  // no adjustment: only the empty maxima record
    ASSERT_EQ(zrGetPrecisionRecord(0, &r), 1);
    EXPECT_TRUE(r.type == 0 && r.a == 0.0);
    ASSERT_EQ(zrGetPoint(1, &p), 1);
    EXPECT_TRUE(std::string(p.name) == "A" && p.x == 100.0 && p.h == 5.0 && p.firstObs == 1);
    ASSERT_EQ(zrGetObservation(1, &o), 1);
    EXPECT_EQ(o.kind, 'i');
    EXPECT_EQ(o.weight, 0.0);  // no weights without an adjustment
}

TEST_F(ResultsReader, PendingDoubleSolutionHasNoPositionAndRecordsKeepTheirKinds) {
    Network& net = Library().net;
    NetworkBuilder b(net);
    b.Point("A", 100, 200, 0, 1, 0);
    b.Point("U", 1, 1, 0, 0, 0);
    SetFixState(net.Point(2), 3);
    zrPointResult p;
    ASSERT_EQ(zrGetPoint(2, &p), 1);
    EXPECT_TRUE(p.hasPosition == 0 && p.x == 0.0);

    net.hdr.ellipseCount = 2;
    net.ellipses = {EllipseRec{}, EllipseRec{2, EllipsePointRecord, 0.25f, 0, 0},
                    EllipseRec{1, uint16_t(2 | EllipsePairRecord), 0, 0, 0}};
    zrPrecisionRecord r;
    ASSERT_EQ(zrGetPrecisionRecord(1, &r), 1);
    EXPECT_TRUE(r.type == 1 && r.p1 == 2 && r.p2 == 0 && r.a == 0.25);
    ASSERT_EQ(zrGetPrecisionRecord(2, &r), 1);
    EXPECT_TRUE(r.type == 2 && r.p2 == 2);
    EXPECT_EQ(zrGetPrecisionRecord(3, &r), 0);
}

// An input on which a fuzz target found a fault (reported only by the sanitizers), run the way
// the target ran it: every closure chart of the example network selected and drawn, the chart
// bounds binding the packed coordinates of the points to references.
TEST(FuzzFindings, ClosureChartsOfTheExampleNetwork) {
    zrSetMessageHook([](const char*, const char*, int, void*) { return 1; }, nullptr);
    int drawn = 0;
    zrSetResultWindowHook(
        [](const zrResultWindow* w, void* count) {
            for (int line = 1; line < w->lineCount; ++line) {
                w->select(w->window, line);
                *static_cast<int*>(count) += w->draw(w->window, line, 640, 480, [](int, int, int, const char*, void*) {}, nullptr);
            }
        },
        &drawn);
    ASSERT_EQ(zrLoadData(QUENVAR_SOURCE_DIR "/examples/plane.txt"), 1);
    zrXYCloseErrorWindow();
    EXPECT_GT(drawn, 0);
    zrFreeData();
    zrSetResultWindowHook(nullptr, nullptr);
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
