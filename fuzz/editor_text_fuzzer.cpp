// The editor text exchange: arbitrary edited text is applied to the network; the editor text
// of the result is applied again and must keep every observation when the point names are
// distinct and do not start with the comment mark (points are looked up by name, so two
// points of one name become one) and every checked value is plausible (an angle added to its
// preceding direction is not checked again, so the sum may lie outside the range a direction
// is read with).
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "fuzz/fuzz_support.h"
#include "netdb/editor_text.h"
#include "netdb/point_lookup.h"
#include "netdb/text_reader.h"

using namespace quenvar;

namespace {

bool NamesDistinct(const Network& net) {
    std::set<std::string> names;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        // A name starting with '/' makes its line a comment when the text is read again.
        const std::string name = PointName(net.Point(i));
        if (name.starts_with('/') || !names.insert(name).second) return false;
    }
    return true;
}

bool ValuesPlausible(const Network& net) {
    for (int o = 1; o <= net.hdr.obsCount; ++o) {
        const int cls = ObsClassOf(net.Obs(o));
        if (cls != ClassVerbatim && cls != ClassRejected && CheckObservation(net.Obs(o)) != 0) return false;
    }
    return true;
}

}  // namespace

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
    // Every observation line holds one tab.
    fuzz::Require(!NamesDistinct(net) || !ValuesPlausible(net) || std::count(shown.begin(), shown.end(), '\t') == std::count(shownAgain.begin(), shownAgain.end(), '\t'),
                  "the editor text keeps its observations");
    return 0;
}
