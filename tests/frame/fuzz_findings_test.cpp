// Inputs on which the fuzz targets found a fault, each the smallest that showed it, run the
// way the target ran them. Several faults were reported only by the sanitizers (make sanitize).
#include <gtest/gtest.h>

#include <string>

#include "quenvar.h"

namespace quenvar {
namespace {

int Quiet(const char*, const char*, int, void*) { return 1; }

void Draw(int, int, int, const char*, void*) {}

// Every entry of a result window selected and its chart drawn.
void LookAtEverything(const zrResultWindow* w, void* drawn) {
    for (int line = 1; line < w->lineCount; ++line) {
        w->select(w->window, line);
        *static_cast<int*>(drawn) += w->draw(w->window, line, 640, 480, Draw, nullptr);
    }
}

// The chart bounds bound the packed coordinates of the points to references.
TEST(FuzzFindings, ClosureChartsOfTheExampleNetwork) {
    zrSetMessageHook(Quiet, nullptr);
    int drawn = 0;
    zrSetResultWindowHook(LookAtEverything, &drawn);
    ASSERT_EQ(zrLoadData(QUENVAR_SOURCE_DIR "/examples/plane.txt"), 1);
    zrXYCloseErrorWindow();
    EXPECT_GT(drawn, 0);
    zrFreeData();
    zrSetResultWindowHook(nullptr, nullptr);
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
