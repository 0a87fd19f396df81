// The editor text exchange: arbitrary edited text is applied to the network; the editor text
// of the result is applied again and must give the same editor text.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "netdb/editor_text.h"

using namespace quenvar;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Network net;
    fuzz::FuzzMessenger ui;
    fuzz::Require(AllocateDatabase(net, ui, true), "allocation");
    if (ApplyEditorText(net, ui, std::string(fuzz::AsText(data, size)), "tmp.txt") != 2) return 0;
    fuzz::RequireConsistent(net);
    std::string shown;
    BuildEditorText(net, shown);
    Network again;
    fuzz::Require(ApplyEditorText(again, ui, shown, "tmp.txt") == 2, "the editor's own text applies");
    fuzz::RequireConsistent(again);
    std::string shownAgain;
    BuildEditorText(again, shownAgain);
    fuzz::Require(shownAgain == shown, "the editor text is stable");
    return 0;
}
