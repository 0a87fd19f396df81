// Loading and saving the whole network. Loading recognises the binary database file by its
// first byte '^' and otherwise tries the text format, then the comma-separated pair; saving
// chooses the format from the last four characters of the path.
#pragma once

#include <string>

#include "netdb/network.h"

namespace quenvar {

class Messenger;

enum class SaveFormat { Binary, Text, CommaSeparated };

// ".txt", ".coo", ".msm" in any case: text; exactly ".WCO" or ".wco": comma-separated;
// anything else, and a path of 4 characters or fewer: binary.
SaveFormat SaveFormatFor(const std::string& path);

// Replaces the network by the file's content; a null path gives an empty network. 2 on
// success; 1 on failure, with an empty network and the not-ZORE message.
int LoadDatabase(Network& net, Messenger& ui, const char* path);
// Writes the network in the format the path chooses; pointsOnly reaches the text writer
// only. 2 on success; 1 on failure, with the write-failure message. The network is unchanged.
int SaveDatabase(const Network& net, Messenger& ui, const char* path, int pointsOnly);

// What a loaded binary file must satisfy: counts within the arrays, every index within its
// count, every observation in at most one chain (so no chain loops), observation kinds and
// defaultObsKind in the kind table.
bool DatabaseIsConsistent(const Network& net);

}  // namespace quenvar
