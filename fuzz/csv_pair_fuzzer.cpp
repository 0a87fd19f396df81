// The comma-separated exchange pair. The input is the control file, then a NUL byte and the
// observation file; without a NUL there is no observation file. An imported network is
// exported again and must import again.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "netdb/csv_exchange.h"

using namespace quenvar;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    const size_t split = input.find('\0');
    fuzz::WriteFile("in.wco", input.substr(0, split));
    if (split == std::string_view::npos) {
        std::remove("in.wob");
    } else {
        fuzz::WriteFile("in.wob", input.substr(split + 1));
    }
    Network net;
    fuzz::FuzzMessenger ui;
    fuzz::Require(AllocateDatabase(net, ui, true), "allocation");
    if (ImportCommaSeparated(net, ui, "in.wco") != 2) return 0;
    fuzz::RequireConsistent(net);
    fuzz::Require(ExportCommaSeparated(net, "out.wco") == 2, "export");
    Network again;
    fuzz::Require(AllocateDatabase(again, ui, true), "allocation");
    fuzz::Require(ImportCommaSeparated(again, ui, "out.wco") == 2, "exported pair imports again");
    fuzz::RequireConsistent(again);
    return 0;
}
