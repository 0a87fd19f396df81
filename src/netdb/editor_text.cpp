#include "netdb/editor_text.h"

#include <cstdio>

#include "netdb/chain.h"
#include "netdb/file_handle.h"
#include "netdb/text_reader.h"
#include "netdb/text_writer.h"
#include "ui/messenger.h"
#include "ui/string_table.h"

namespace quenvar {

void BuildEditorText(const Network& net, std::string& text) {
    const int count = PointsInStorage(net);
    text = "<<\r\n";
    for (int i = 1; i <= count; ++i) {
        const PointRec& p = net.Point(i);
        if (PlaneClass(p) == PointKnown || HeightClass(p) == PointKnown) {
            text += FormatNetworkRecord(net, 0, i) + "\r\n";
        }
    }
    text += "<<\r\n";
    for (int s = 1; s <= count; ++s) {
        if (net.Point(s).firstObs == 0) continue;
        text += FormatNetworkRecord(net, 1, s);
        WalkChain(net, s, [&](int o) {
            if (ObsClassOf(net.Obs(o)) != ClassRejected) text += "\t" + FormatNetworkRecord(net, 2, o) + "\r\n";
            return true;
        });
        text += "\r\n";
    }
}

int ApplyEditorText(Network& net, Messenger& ui, const std::string& text, const std::string& scratchPath) {
    {
        FileHandle file = OpenFile(scratchPath, "wb");
        if (!file) return 0;
        std::fwrite(text.data(), 1, text.size(), file.get());
    }
    if (AllocateDatabase(net, ui, true) && ReadTextNetwork(net, ui, scratchPath) == 2) {
        std::remove(scratchPath.c_str());
        return 2;
    }
    ShowMessageById(ui, StrUpdateFailed, 0, MsgInfo);
    return 0;
}

}  // namespace quenvar
