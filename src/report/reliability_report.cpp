#include "report/reliability_report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "adjust/adjustment_tables.h"
#include "adjust/station_residual_mean.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "netdb/chain.h"
#include "report/report_file.h"
#include "report/report_text.h"
#include "ui/messenger.h"
#include "ui/profile_file.h"
#include "ui/string_table.h"

namespace quenvar {
namespace {

constexpr int16_t NoEntry = -999;
constexpr int TakesPartRole = 99;
constexpr float SmallestRedundancy = 1e-10f;  // stands in for a redundancy number near 0
constexpr double MarkAbove = 2.0;             // standardised residuals above it are marked

// Weight and adjusted-observation cofactor of o; 0 for an index the table does not hold.
float TableWeight(const Network& net, int o) {
    return size_t(o) < net.weightTable.size() ? net.weightTable[size_t(o)] : 0.0f;
}
float TableCofactor(const Network& net, int o) {
    const size_t at = size_t(net.hdr.obsCount) + 1 + size_t(o);
    return at < net.weightTable.size() ? net.weightTable[at] : 0.0f;
}

bool Angular(int kind) { return kind <= KindVertical; }

}  // namespace

void ReadDesignParameters(const std::string& profilePath, std::string& text, float& d0) {
    text = ReadPrivateProfileString(profilePath, DesignSection, DesignKey, DesignDefault);
    const size_t from = text.size() > 4 ? text.size() - 4 : 0;
    d0 = float(std::atof(text.c_str() + from));
}

int16_t FormatStationReliability(const Network& net, ReportBuffers& buffers, int16_t index) {
    if (index == NoEntry) return 0;
    const int k = index + 1;
    if (k < 1 || k > net.hdr.pointCount || k >= net.PointCapacity()) return 0;
    LineList& lines = buffers.detailLines;
    lines.clear();
    const bool plane = PlaneNetwork(net);
    const float m = PosteriorSigma(net);
    const int stationClass = plane ? PlaneClass(net.Point(k)) : HeightClass(net.Point(k));
    if (m == 0.0f || stationClass > PointSpecial) {
        lines.emplace_back("no data");
        return 1;
    }
    const bool design = net.hdr.designMode != 0;
    const float mean = !design && plane ? StationResidualMean(net, k) : 0.0f;
    float sum = 0.0f;
    WalkChain(net, k, [&](int o) {
        const ObsRec& obs = net.Obs(o);
        const int kind = KindOf(obs);
        if (ObservationRole(net, ObsClassOf(obs), kind) != TakesPartRole || ObsClassOf(obs) == ClassFixed) return true;
        const float p = TableWeight(net, o);
        float r = 1.0f - p * TableCofactor(net, o);
        const std::string target = NameOfPoint(net, obs.target);
        std::string line(1, KindLetters[kind]);
        if (p < 1e-20f) {
            line += Printed("%6s [ 错  ] %6.2f", target.c_str(), double(r));
        } else {
            const double printed = kind == KindDistance ? double(p) * 1000000.0 : double(p);
            line += Printed("%6s%9.3f%6.2f", target.c_str(), printed, double(r));
        }
        sum += r;
        if (r < SmallestRedundancy) r = SmallestRedundancy;
        if (design) {
            const double big = double(buffers.designD0) / std::sqrt(double(r));
            const double inner = std::sqrt(std::fmax(0.0, 1.0 - double(r))) * big;
            line += Printed("%6.2f%6.2f", big, inner);
        } else {
            const double v = double(obs.residual) - (kind == KindDirection ? double(mean) : 0.0);
            const double w = std::fabs(v) * std::sqrt(double(p) / double(r)) / double(m);
            line += Printed("%11.6f%6.2f%s", Angular(kind) ? RadiansToDms(v) : v, w, w > MarkAbove ? "*" : "");
        }
        lines.push_back(std::move(line));
        return true;
    });
    lines.push_back(Printed("%15s%6.2f", "[r]=", double(sum)));
    return 1;
}

int WriteReliabilityReport(const Network& net, Messenger& ui, ReportBuffers& buffers, const char* path,
                           const std::string& profilePath) {
    const bool plane = PlaneNetwork(net);
    const double m = plane ? RadiansToDms(PosteriorSigma(net)) : double(PosteriorSigma(net));
    if (net.weightTable.empty()) {
        ShowMessageById(ui, StrNoReliability, 0, MsgInfo);
        return 0;
    }
    const bool design = net.hdr.designMode != 0;
    std::string extra = Printed(" m=%.6lf ", m);
    if (design) {
        std::string text;
        ReadDesignParameters(profilePath, text, buffers.designD0);
        extra += text;
    }
    buffers.reportLines.clear();
    for (int i = 1; i <= PointsInStorage(net); ++i) buffers.reportLines.push_back(Printed("%6s", NameOfPoint(net, i).c_str()));
    const char* title = design ? "可靠性分析" : "粗差分析";
    const char* heading = design ? "类 照准名---权-- --r--  --R-- --R'-" : "类 照准名---权-- --r--  ----v---- --w--";
    return WriteReportFile(buffers, path, title, heading, extra.c_str(),
                           [&net, &buffers](int16_t i) { return FormatStationReliability(net, buffers, i); });
}

}  // namespace quenvar
