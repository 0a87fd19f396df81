/* The public header compiles as C and the shared library links from C. */
#include "quenvar.h"

static int answer(const char* text, const char* caption, int kind, void* context) {
    (void)text;
    (void)caption;
    (void)kind;
    (void)context;
    return 1;
}

int main(void) {
    zrSetMessageHook(answer, 0);
    zrFreeData();
    zrFreeData();
    zrSetMessageHook(0, 0);
    {
        /* Without a network the results reader answers 0 and leaves zeroed records. */
        zrResultSummary summary;
        zrPointResult point;
        summary.pointCount = 7;
        if (zrGetResultSummary(&summary) != 0 || summary.pointCount != 0) return 1;
        if (zrGetPoint(1, &point) != 0 || point.name[0] != 0) return 1;
        if (zrLoadData(0) != 1 || zrGetResultSummary(&summary) != 1 || zrGetPoint(1, &point) != 0) return 1;
        zrFreeData();
    }
    return 0;
}
