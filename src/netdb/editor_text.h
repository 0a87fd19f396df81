// The network as the text editor shows it, and the edited text put back into the database.
#pragma once

#include <string>

#include "netdb/network.h"

namespace quenvar {

class Messenger;

// Replaces text with the editor text ("\r\n" line ends): the title line, the known points,
// "<<", then every station with its observations, each observation behind a tab.
void BuildEditorText(const Network& net, std::string& text);

// Replaces the whole network (header settings included) by the edited text, read through the
// scratch file, which is deleted after a successful read. 2 when replaced; 0 when the scratch
// file cannot be written (network unchanged) or the text is not a text network (the network
// is left empty, the text stays in the scratch file and string 1020 is shown).
int ApplyEditorText(Network& net, Messenger& ui, const std::string& text,
                    const std::string& scratchPath = "tmp.txt");

}  // namespace quenvar
