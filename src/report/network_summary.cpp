#include "report/network_summary.h"

#include <cstdio>

#include "netdb/network.h"
#include "report/network_census.h"
#include "report/report_lines.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

void ApplyDefaultErrors(NetHeader& hdr) {
    // The distance errors count as unset only when the fixed and the proportional part both are.
    if (hdr.distSigmaConst < 0.0001 && hdr.distSigmaPpm < 0.01) {
        hdr.distSigmaConst = 0.01f;     // metres
        hdr.distSigmaPpm = 0.000005f;  // in the field's own unit, ppm
    }
    if (hdr.distSigmaConst4 < 0.0001 && hdr.distSigmaPpm4 < 0.01) hdr.distSigmaConst4 = 0.02f;
    if (hdr.dirSigma < 1e-6) hdr.dirSigma = 9.697e-5f;  // radians, 20 arc-seconds
    if (hdr.dirSigma4 < 1e-6) hdr.dirSigma4 = 2 * hdr.dirSigma;
    if (hdr.levelSigma < 0.0001) hdr.levelSigma = 0.01f;
    if (hdr.levelSigma4 < 0.0001) hdr.levelSigma4 = 2 * hdr.levelSigma;
    if (hdr.trigHeightSigma < 0.0001) hdr.trigHeightSigma = 0.03f;
    if (hdr.trigHeightSigma4 < 0.0001) hdr.trigHeightSigma4 = 2 * hdr.trigHeightSigma;
}

}  // namespace

void ApplyAdjustmentDefaults(Network& net, ReportBuffers& buffers) {
    ApplyDefaultErrors(net.hdr);
    NetworkCensus census;
    CountNetworkElements(net, census, buffers);
}

void BuildNetworkSummary(const Network& net, ReportBuffers& buffers, std::string& text) {
    NetworkCensus census;
    CountNetworkElements(net, census, buffers);

    static constexpr const char* RowLabels[3] = {"待定", "固定", "特类"};
    LineList& lines = buffers.reportLines;
    lines.clear();
    for (int row = 0; row < 3; ++row) {
        std::string line = RowLabels[row];
        // Five observation columns, then the plane and the height points.
        for (int counter = row; counter < int(census.size()); counter += 3) {
            char cell[16];
            std::snprintf(cell, sizeof cell, "%6d", int(int16_t(census[size_t(counter)])));
            line += cell;
        }
        lines.push_back(std::move(line));
    }

    text = "属性  方向  方位  平距  直高  间高  XY点   H点\n";
    for (const std::string& line : lines) text += "\n" + line;
    lines.clear();
}

int ShowNetworkSummary(const Network& net, Messenger& ui, ReportBuffers& buffers) {
    std::string text;
    BuildNetworkSummary(net, buffers, text);
    ui.Box(text.c_str(), CaptionAdjustmentResult, MsgInfo);
    return 1;
}

}  // namespace quenvar
