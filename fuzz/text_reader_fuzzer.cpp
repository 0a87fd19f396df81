// The text observation reader on arbitrary text; what it reads must be a consistent network
// that the text writer can write and the reader read again to the same counts.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "netdb/text_reader.h"
#include "netdb/text_writer.h"

using namespace quenvar;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Network net;
    fuzz::FuzzMessenger ui;
    fuzz::Require(AllocateDatabase(net, ui, true), "allocation");
    if (ReadTextNetworkFromString(net, ui, fuzz::AsText(data, size)) != 2) return 0;
    fuzz::RequireConsistent(net);
    if (WriteTextNetwork(net, "again.txt", 0) != 2) return 0;
    Network again;
    fuzz::Require(AllocateDatabase(again, ui, true), "allocation");
    fuzz::Require(ReadTextNetwork(again, ui, "again.txt") == 2, "written text reads back");
    fuzz::RequireConsistent(again);
    return 0;
}
