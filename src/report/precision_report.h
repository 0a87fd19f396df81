// The precision summary after an adjustment: its text, its message box and its report file.
#pragma once

namespace quenvar {

struct Network;
class Messenger;
struct ReportBuffers;

// Builds the precision summary and shows it in an information box captioned "平差结果".
int ShowPrecisionReport(const Network& net, Messenger& ui, ReportBuffers& buffers);

}  // namespace quenvar
