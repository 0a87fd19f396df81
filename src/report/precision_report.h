// The precision summary after an adjustment: its text, its message box and its report file.
#pragma once

#include <string>

#include "report/report_lines.h"

namespace quenvar {

struct Network;
struct NetHeader;
class Messenger;

// Formats the a-posteriori group precisions: the a-priori errors scaled by the ratio of the
// a-posteriori to the a-priori unit-weight error. Plane network: fixed error (m), proportional
// error (ppm), unit-weight error (d.mmss), then the same three for class 4. Height network:
// unit-weight error, class-4 levelling, trigonometric, class-4 trigonometric errors (m); fields
// 5 and 6 keep what they hold. Each field holds at most 19 characters.
void FormatPrecisionFields(const NetHeader& hdr, PrecisionFieldTexts& fields);

// x / step truncated toward zero to a 32-bit integer, times step.
double RoundDownToMultiple(double x, double step);

// Fills unset a-priori errors with their defaults, takes the census and replaces text with the
// precision summary. The maxima lines appear once an adjustment has made precision records
// (ellipseCount above 0). ReportLines is used as scratch and left empty.
void BuildPrecisionReport(Network& net, ReportBuffers& buffers, std::string& text);

// Builds the precision summary as BuildPrecisionReport does (storing the defaults) and shows it
// in an information box captioned "平差结果". Returns 1.
int ShowPrecisionReport(Network& net, Messenger& ui, ReportBuffers& buffers);

}  // namespace quenvar
