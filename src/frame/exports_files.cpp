#include "frame/library_state.h"
#include "netdb/database_file.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrLoadData(const char* path) {
    return Guarded("zrLoadData", 0, [&] {
        LibraryState& lib = Library();
        return LoadDatabase(lib.net, lib.ui, path) == 2 ? 1 : 0;
    });
}

extern "C" int zrSaveData(const char* path, int pointsOnly) {
    return Guarded("zrSaveData", 0, [&] {
        LibraryState& lib = Library();
        return SaveDatabase(lib.net, lib.ui, path, pointsOnly & 0xFFFF) == 2 ? 1 : 0;
    });
}

extern "C" void zrFreeData(void) {
    GuardedCall("zrFreeData", [] { FreeDatabase(Library().net); });
}
