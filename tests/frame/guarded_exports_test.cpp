// An exception inside an entry point never reaches the host: it is shown as an internal error
// naming the entry, the entry returns its failure value and the library keeps working.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/library_state.h"
#include "quenvar.h"
#include "tests/netdb/file_test_support.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

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
    const struct {
        const char* entry;
        std::function<int()> call;
        int failure;
    } cases[] = {
        {"zrLoadData", [&] { return zrLoadData(dir.File("none").c_str()); }, 0},        // not-found message
        {"zrSaveData", [&] { return zrSaveData(unwritable.c_str(), 0); }, 0},           // write failure
        {"zrXYAdjustment", [] { return zrXYAdjustment(6, 3); }, 0},                     // progress text
        {"zrHAdjustment", [] { return zrHAdjustment(0, 1); }, 0},                       // progress text
        {"zrXYCalculate", [] {
             Library().net.hdr.designMode = 1;  // asks before it starts
             return zrXYCalculate();
         }, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(zrLoadData(dir.File("net.txt").c_str()), 1);
        host.texts.clear();
        host.kinds.clear();
        host.failures = 1;
        EXPECT_EQ(c.call(), c.failure) << c.entry;
        EXPECT_EQ(host.texts, Strings{std::string("内部错误! 入口=") + c.entry + "  host failed"}) << c.entry;
        // A progress window left open by the failure is closed.
        if (host.kinds.front() == MsgProgress) {
            EXPECT_EQ(host.kinds.back(), MsgCloseProgress) << c.entry;
        }
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

}  // namespace
}  // namespace quenvar
