#include "report/precision_report.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "geom/angles.h"
#include "netdb/network.h"
#include "report/network_summary.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr size_t FieldSize = 20;  // each field holds 19 characters and its terminator

std::string Format(const char* format, double value) {
    char buf[FieldSize];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// "%9.6f米" of a length in metres.
std::string Metres(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%9.6f米", double(value));
    return buf;
}

// The report for a network whose defaults are in place and whose census is taken.
void ComposePrecisionReport(const Network& net, ReportBuffers& buffers, std::string& text) {
    const NetHeader& hdr = net.hdr;
    const bool height = hdr.heightMode != 0;
    const bool special = buffers.specialObservationCount != 0;
    PrecisionFieldTexts& f = buffers.precisionFields;
    FormatPrecisionFields(hdr, f);

    LineList& lines = buffers.reportLines;
    lines.clear();
    const std::string pad(6, ' ');
    auto groupLine = [&](const char* label, const std::string& value, const std::string& value4) {
        lines.push_back(label + pad + value + pad + (special ? value4 : std::string()));
    };
    if (height) {
        groupLine("fixed(M):", f[0], f[2]);
        groupLine("relat(M):", f[1], f[3]);
    } else {
        groupLine("固定误差(米):", f[0], f[3]);
        groupLine("比例误差(ppm):", f[1], f[4]);
        groupLine("m(d.mmss):", f[2], f[5]);
    }

    // A loaded network holds a zeroed record 0 before any adjustment; the records exist once an
    // adjustment has counted them. Record 0 holds the maxima: point error, inter-point error,
    // relative side error.
    if (net.hdr.ellipseCount > 0 && !net.ellipses.empty()) {
        const EllipseRec& maxima = net.ellipses[0];
        lines.emplace_back();
        lines.push_back("最大点位误差=" + Metres(maxima.a));
        lines.push_back("最大点间误差=" + Metres(maxima.b));
        if (!height && maxima.c > 1e-6) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%-8.0lf", RoundDownToMultiple(1.0 / maxima.c, 100.0));
            lines.push_back(std::string("最大边长比例误差= 1/") + buf);
        }
    }

    text = height ? "高程" : "平面";
    text += "网平差后精度如下:\n";
    for (const std::string& line : lines) text += "\n" + line;
    lines.clear();
}

}  // namespace

void FormatPrecisionFields(const NetHeader& hdr, PrecisionFieldTexts& fields) {
    if (hdr.heightMode != 0) {
        const float ratio = hdr.heightSigma0 / hdr.levelSigma;
        fields[0] = Format("%6.4f", hdr.heightSigma0);
        fields[1] = Format("%6.4f", hdr.levelSigma4 * ratio);
        fields[2] = Format("%6.4f", hdr.trigHeightSigma * ratio);
        fields[3] = Format("%6.4f", hdr.trigHeightSigma4 * ratio);
        return;
    }
    const float ratio = hdr.planeSigma0 / hdr.dirSigma;
    fields[0] = Format("%6.4f", hdr.distSigmaConst * ratio);
    fields[1] = Format("%6.1f", hdr.distSigmaPpm * ratio);
    fields[2] = Format("%8.6lf", RadiansToDms(hdr.planeSigma0));
    fields[3] = Format("%6.4f", hdr.distSigmaConst4 * ratio);
    fields[4] = Format("%6.1f", hdr.distSigmaPpm4 * ratio);
    fields[5] = Format("%8.6lf", RadiansToDms(hdr.dirSigma4 * ratio));
}

double RoundDownToMultiple(double x, double step) {
    // Quotients beyond the 32-bit range are held at its ends; an undefined one counts as 0.
    const double q = std::trunc(x / step);
    if (std::isnan(q)) return 0.0;
    const double lo = std::numeric_limits<int32_t>::min();
    const double hi = std::numeric_limits<int32_t>::max();
    const double whole = q < lo ? lo : (q > hi ? hi : q);
    return double(int32_t(whole)) * step;
}

void BuildPrecisionReport(Network& net, ReportBuffers& buffers, std::string& text) {
    ApplyAdjustmentDefaults(net, buffers);
    ComposePrecisionReport(net, buffers, text);
}

int ShowPrecisionReport(Network& net, Messenger& ui, ReportBuffers& buffers) {
    std::string text;
    BuildPrecisionReport(net, buffers, text);
    ui.Box(text.c_str(), CaptionAdjustmentResult, MsgInfo);
    return 1;
}

}  // namespace quenvar
