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
    return 0;
}
