// The whole library through its entry points, as a host drives it: load an arbitrary file,
// then for the plane and the height network compute approximate values, show and write the
// closures, run every adjustment method and write every report, and save in every format.
//
// Input: one byte whose bits answer the library's questions in turn, one byte of settings
// (bit 0: planned network, bits 1-2: iterations - 1), then the network file.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

struct Answers {
    uint8_t bits = 0xFF;
    unsigned asked = 0;
};

int Message(const char* text, const char*, int kind, void* context) {
    fuzz::Require(std::strstr(text, "内部错误") == nullptr, text);
    if (kind != 2) return 1;
    auto& answers = *static_cast<Answers*>(context);
    return (answers.bits >> (answers.asked++ % 8)) & 1;
}

void Draw(int, int, int, const char*, void*) {}

// A host that looks at every entry of a result window, its details and its chart, and saves.
void ResultWindow(const zrResultWindow* w, void*) {
    for (int line = 0; line <= w->lineCount; ++line) {
        const int details = w->select(w->window, line);
        for (int i = 0; i <= details; ++i) w->detail(w->window, i);
        w->draw(w->window, line, 640, 480, Draw, nullptr);
    }
    if (w->lineCount > 1) w->drawSvg(w->window, 1, 320, 240, "chart.svg");
    w->save(w->window, "window.txt");
}

// Every report entry; each writes its file or fails cleanly.
void WriteReports() {
    zrReportOnNetwork("network.txt");
    zrReportOnAdjusetment("precision.txt");
    zrReportOnPointAdj("points.txt");
    zrReportOnObserveAdj("pairs.txt");
    zrRawAnalyseAfterAdj("reliability.txt");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchDirectory();
    zrSetResultWindowHook(ResultWindow, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Answers answers{data[0]};
    zrSetMessageHook(Message, &answers);
    const int iterations = 1 + ((data[1] >> 1) & 3);
    fuzz::WriteFile("net.in", fuzz::AsText(data + 2, size - 2));

    zrLoadData("net.in");
    if (data[1] & 1) zrSetDesignMode(1);
    zrSetAdjustmentParam(1, 2.0, 0);
    zrReportOnNetwork("network.txt");
    for (int height = 0; height <= 1; ++height) {
        height ? zrHCalculate() : zrXYCalculate();
        height ? zrHCloseErrorWindow() : zrXYCloseErrorWindow();
        height ? zrHCloseErrorReport("closures.txt") : zrXYCloseErrorReport("closures.txt");
        for (int method = 0; method <= 7; ++method) {
            height ? zrHAdjustment(method, iterations) : zrXYAdjustment(method, iterations);
            WriteReports();
        }
    }
    zrSaveData("out.db", 0);
    zrSaveData("out.txt", 0);
    zrSaveData("out.wco", 0);
    zrLoadData("out.db");
    zrFreeData();
    zrFreeData();
    return 0;
}
