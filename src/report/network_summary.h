// Network census summary, default a-priori errors and the network summary report.
#pragma once

#include <string>

namespace quenvar {

struct Network;
class Messenger;
struct ReportBuffers;

// Fills unset a-priori errors with their defaults (4-byte floats; a field below its threshold
// counts as unset, negative values included), then takes the census, refreshing the count of
// class-4 observations in buffers.
void ApplyAdjustmentDefaults(Network& net, ReportBuffers& buffers);

// Replaces text with the census table: a heading line, an empty line and the rows 待定, 固定,
// 特类, each with seven counts in six columns; no final newline. ReportLines is left empty.
void BuildNetworkSummary(const Network& net, ReportBuffers& buffers, std::string& text);

// Shows the census table in an information box captioned "平差结果". Returns 1.
int ShowNetworkSummary(const Network& net, Messenger& ui, ReportBuffers& buffers);

inline constexpr const char* CaptionAdjustmentResult = "平差结果";

}  // namespace quenvar
