// Writers of the text observation format: point lines, station names and observation lines,
// with angles in d.mmss.
#pragma once

#include <string>

#include "netdb/network.h"

namespace quenvar {

// One record as text. mode 0: point line "name classes X Y H"; 1: station name padded to 6
// columns; 2: observation "target kind+class value", the value right-aligned in 12 columns
// behind a blank from the 10th column on. Empty for an index outside the arrays.
std::string FormatNetworkRecord(const Network& net, int mode, int index);

// Writes the network as a text file; with pointsOnly non-zero the points alone. 2 when
// written, 0 when the file could not be created or not all of it reached the file.
int WriteTextNetwork(const Network& net, const std::string& path, int pointsOnly);

// Kind letter of the kind table, '?' for a kind beyond it.
char KindLetter(int kind);
// Kinds whose values are written in d.mmss: c, a, z, b, 2 and 4.
bool WritesAsDms(int kind);

}  // namespace quenvar
