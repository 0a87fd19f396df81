// The database loader on arbitrary bytes (the first byte decides binary or text). A network
// that loads is saved as a binary database file and must load again with the same counts.
#include <cstdint>

#include "fuzz/fuzz_support.h"

using namespace quenvar;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile("in.db", fuzz::AsText(data, size));
    Network net;
    fuzz::FuzzMessenger ui;
    const int loaded = LoadDatabase(net, ui, "in.db");
    fuzz::RequireConsistent(net);
    if (loaded != 2) {
        fuzz::Require(net.hdr.pointCount == 0 && net.hdr.obsCount == 0, "a failed load leaves an empty network");
        return 0;
    }
    fuzz::Require(SaveDatabase(net, ui, "out.db", 0) == 2, "save");
    Network again;
    fuzz::Require(LoadDatabase(again, ui, "out.db") == 2, "saved database loads again");
    fuzz::Require(again.hdr.pointCount == net.hdr.pointCount && again.hdr.obsCount == net.hdr.obsCount,
                  "counts survive the round trip");
    fuzz::RequireConsistent(again);
    return 0;
}
