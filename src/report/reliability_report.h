// The reliability and gross-error report: station by station, the weight and redundancy
// number of every observation that took part in the adjustment, with either its residual and
// standardised residual (gross-error analysis after an adjustment) or its internal and external
// reliability (reliability analysis of a design network).
#pragma once

#include <cstdint>
#include <string>

#include "report/report_lines.h"

namespace quenvar {

struct Network;
class Messenger;

// Section, key and default text of the design parameters in the profile file.
inline constexpr const char* DesignSection = "Design Para";
inline constexpr const char* DesignKey = "D0";
inline constexpr const char* DesignDefault = "a0=0.1% b0=80% d0=4.13";

// text := the design parameters of the profile at profilePath (the default text when they are
// missing); d0 := the number in its last four characters, read as atof reads it (the whole
// text when it is shorter), as a 4-byte float.
void ReadDesignParameters(const std::string& profilePath, std::string& text, float& d0);

// Detail lines of the station whose point index is index + 1, into DetailLines: one line per
// ordinary or class-4 observation of the current network kind, then the "[r]=" sum; the single
// line "no data" without an adjustment result or for a station of class 3 or more. Returns 0
// for index -999 or a point that does not exist, else 1.
int16_t FormatStationReliability(const Network& net, ReportBuffers& buffers, int16_t index);

// Writes the report to path: 1 when written; 0 after message 1018 when the adjustment left no
// weight table, or when there are no points or the file cannot be opened. In a design network
// the design parameters come from the profile at profilePath.
int WriteReliabilityReport(const Network& net, Messenger& ui, ReportBuffers& buffers, const char* path,
                           const std::string& profilePath);

}  // namespace quenvar
