#include "report/error_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "netdb/network.h"
#include "report/report_file.h"
#include "report/report_text.h"
#include "ui/messenger.h"
#include "ui/string_table.h"

namespace quenvar {
namespace {

constexpr int PointIndexBits = 0x0FFF;  // the low 12 bits of p1 and p2 name the points

// Ratio d/Md printed for a pair whose longitudinal error is 0, and the ceiling of the ratio.
constexpr double RatioWithoutError = 999990.0;
constexpr double RatioCeiling = 999999.0;
constexpr double RatioLimit = 999991.0;

// One point record: "%-6s" name, then E, F, G (d.mmss), M in a plane network or MH.
std::string PointLine(const Network& net, const EllipseRec& r, bool plane) {
    const std::string name = Printed("%-6s", NameOfPoint(net, r.p1 & PointIndexBits).c_str());
    if (!plane) return name + Printed("%6.4f", double(r.a));
    const double m = std::sqrt(double(r.a) * r.a + double(r.b) * r.b);
    return name + Printed("%6.4f %6.4f %7.2lf %7.4lf", double(r.a), double(r.b), RadiansToDms(r.c), m);
}

// One pair record; false when a plane pair joins coincident points and gives no line.
bool PairLine(const Network& net, const EllipseRec& r, bool plane, std::string& line) {
    const int p1 = r.p1 & PointIndexBits, p2 = r.p2 & PointIndexBits;
    const std::string names = Printed("%-6s  %-6s", NameOfPoint(net, p1).c_str(), NameOfPoint(net, p2).c_str());
    if (!plane) {
        line = names + Printed("%6.4f", double(r.a));
        return true;
    }
    const bool known = p1 >= 1 && p2 >= 1 && p1 <= net.hdr.pointCount && p2 <= net.hdr.pointCount;
    const double d = known ? DistanceBetween(net, p1, p2) : 0.0;
    if (d == 0.0) return false;
    double ratio = r.a == 0.0f ? RatioWithoutError : d / double(r.a);
    if (ratio > RatioLimit) ratio = RatioCeiling;
    line = names + Printed("%6.4f %6.4f %6.0f %6.0f", double(r.b), double(r.a), ratio, d);
    return true;
}

}  // namespace

int16_t BuildErrorStatistics(const Network& net, Messenger& ui, ReportBuffers& buffers, ErrorTable table,
                             std::string& title, std::string& heading) {
    if ((net.hdr.optionFlags & OptionResultBits) == 0) {
        ShowMessageById(ui, StrAdjustmentIncomplete, 0, MsgInfo);
        return 0;
    }
    const bool plane = net.hdr.heightMode == 0;
    const bool points = table == ErrorTable::Points;
    LineList& lines = buffers.reportLines;
    lines.clear();
    // Records 1 .. ellipseCount, as far as the array holds them; record 0 holds the maxima.
    const size_t last = std::min<size_t>(net.hdr.ellipseCount, net.ellipses.empty() ? 0 : net.ellipses.size() - 1);
    for (size_t e = 1; e <= last; ++e) {
        const EllipseRec& r = net.ellipses[e];
        const bool pointRecord = (r.p2 >> 12) == 1;
        if (pointRecord != points) continue;
        if (points) {
            lines.push_back(PointLine(net, r, plane));
        } else if (std::string line; PairLine(net, r, plane, line)) {
            lines.push_back(std::move(line));
        }
    }
    if (points) {
        heading = std::string(" 点名 ") + (plane ? "--E--- --F--- --G--- ---M---" : "--MH--");
    } else {
        heading = std::string("  P1     P2   ") + (plane ? "--Mt-- --Md-- -d/Md- --d--" : "--Mh--");
    }
    title = std::string(plane ? " 平面" : " 高程") + (points ? "点位 " : "点间 ") + "误差统计表";
    return 1;
}

int WriteErrorStatistics(const Network& net, Messenger& ui, ReportBuffers& buffers, ErrorTable table,
                         const char* path) {
    std::string title, heading;
    if (BuildErrorStatistics(net, ui, buffers, table, title, heading) == 0) return 0;
    return WriteReportFile(buffers, path, title.c_str(), heading.c_str(), nullptr, nullptr);
}

}  // namespace quenvar
