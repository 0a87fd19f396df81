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
// The closure table as the closure window shows it (UTF-8 texts): the standard error line, and
// per loop its table line and its detail lines.
struct ClosureTable {
    std::string caption, heading, standardError;
    std::vector<std::string> lines;
    std::vector<std::vector<std::string>> details;
};

// leftOut: the points that were to be determined and were not (names are written); closures:
// the closure table, when the command computed one.
void WriteJson(const Results& results, const std::string& path, const std::string& command,
               const std::vector<int>& leftOut, const ClosureTable* closures = nullptr);

// s as a JSON string literal (quotes included); s is UTF-8.
std::string JsonString(const std::string& s);
// A finite number with 17 significant digits, null otherwise.
std::string JsonNumber(double v);

}  // namespace quenvar_cli
