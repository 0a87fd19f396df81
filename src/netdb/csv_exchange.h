// The comma-separated exchange pair of a plane network: a control file (network type,
// a-priori errors, known points, fixed azimuths, connections) and an observation file
// (stations with their directions and distances) whose name ends in "ob" instead of the
// control file's last two characters.
#pragma once

#include <string>

#include "netdb/network.h"

namespace quenvar {

class Messenger;

// The observation file paired with a control file: net.wco -> net.wob.
std::string ObservationFilePath(const std::string& controlPath);

// Writes both files. 2 when both were written whole, 0 when either could not be created or
// a write to it failed.
int ExportCommaSeparated(const Network& net, const std::string& path);
// Reads the pair into an allocated, reset database. 2 when the control file was recognised
// (also when the observation file is missing), 0 when it cannot be opened or its first line
// does not start with '0' or '1', 1 when the storage could not be had or grown (the memory
// message has been shown; the network is incomplete).
int ImportCommaSeparated(Network& net, Messenger& ui, const std::string& path);

}  // namespace quenvar
