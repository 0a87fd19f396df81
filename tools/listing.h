// The adjustment listing a surveyor reads: adjusted coordinates with their standard deviations
// and error ellipses, relative ellipses of the observed pairs, the residual table with
// redundancy numbers and flagged normalised residuals, and the unit-weight errors with their
// global test. UTF-8, in English or Chinese.
#pragma once

#include <string>

#include "results.h"

namespace quenvar_cli {

// Writes the listing to path ("-" for standard output); normalised residuals above limit are
// flagged. Throws Failure when the file cannot be written whole.
void WriteListing(const Results& results, const std::string& path, bool chinese, double limit);

// An angle in radians as d.mmss with the given number of decimals of seconds, e.g.
// "123.453012" for 123 degrees 45 minutes 30.12 seconds.
std::string FormatDms(double radians, int secondDecimals);

}  // namespace quenvar_cli
