/* A host built against an installed quenvar: loads a network, adjusts it and reads the
 * adjusted points through the results reader. Prints "points N adjusted M". */
#include <stdio.h>

#include "quenvar.h"

static int quiet(const char* text, const char* caption, int kind, void* context) {
    (void)text;
    (void)caption;
    (void)kind;
    (void)context;
    return 1;
}

int main(int argc, char** argv) {
    zrResultSummary summary;
    zrPointResult point;
    int i, adjusted = 0;
    if (argc != 2) return 2;
    zrSetMessageHook(quiet, 0);
    if (zrLoadData(argv[1]) != 1 || zrXYAdjustment(6, 5) != 1) return 1;
    if (zrGetResultSummary(&summary) != 1 || !summary.adjusted) return 1;
    for (i = 1; i <= summary.pointCount; ++i) {
        if (zrGetPoint(i, &point) == 1 && point.planeClass == 0 && point.hasPosition) ++adjusted;
    }
    printf("points %d adjusted %d\n", summary.pointCount, adjusted);
    zrFreeData();
    return 0;
}
