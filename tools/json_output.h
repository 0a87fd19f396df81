// The results as JSON for scripts (schema: docs/results.schema.json): the network kind, the
// a-priori errors, the unit-weight errors, the points with their precision, the observations
// with residual, weight, cofactor, redundancy number and normalised residual, the precision
// records, and the points left out. Numbers carry full precision (17 significant digits).
#pragma once

#include <string>
#include <vector>

#include "results.h"

namespace quenvar_cli {

// Writes the JSON document to path ("-" for standard output); command names what produced
// it. Throws Failure when the file cannot be written whole.
// leftOut: the points that were to be determined and were not (names are written).
void WriteJson(const Results& results, const std::string& path, const std::string& command,
               const std::vector<int>& leftOut);

// s as a JSON string literal (quotes included); s is UTF-8.
std::string JsonString(const std::string& s);
// A finite number with 17 significant digits, null otherwise.
std::string JsonNumber(double v);

}  // namespace quenvar_cli
