#include "closure/closure_window.h"

#include <cmath>
#include <string>

#include "closure/loop_chart.h"
#include "geom/angles.h"
#include "netdb/point_lookup.h"
#include "report/format_text.h"
#include "report/report_file.h"

namespace quenvar {

namespace {

constexpr const char* ClosureTitle = "闭合差统计表";
constexpr const char* ClosureHeading = "序号 —闭合差—  权倒数  —限差—";
constexpr int16_t WindowClosing = -999;

std::string NameOf(const Network& net, int p) {
    return p >= 1 && p <= net.hdr.pointCount && p < net.PointCapacity() ? PointName(net.Point(p)) : std::string();
}

// Closed or connecting, then the loop kind.
std::string HeadLine(const ClosureLoop& loop, int i) {
    std::string head = FormatText("序号  < %d > 是 :", i + 1);
    const int kind = loop.Kind();
    if (kind != LoopSideCondition) head += loop.Closed() != 0 ? "闭合" : "附合";
    switch (kind) {
        case LoopHeight: head += "高程"; break;
        case LoopDirection: head += "方向"; break;
        case LoopSideCondition: head += loop.Closed() != 0 ? "极条件" : "基线条件"; break;
        case LoopTraverse:
            if (loop.Orientation() == TraverseUnoriented) head += "无定向";
            if (loop.Orientation() == TraverseSingleOriented) head += "单定向";
            head += "导线";
            break;
        default: head += "未知";
    }
    return head;
}

void AppendElementLines(const Network& net, const ClosureLoop& loop, LineList& lines) {
    std::string text;
    for (int j = 0; j < loop.count; ++j) {
        const int e = loop.At(j);
        std::string piece;
        if (loop.Kind() == LoopSideCondition) {
            piece = FormatText("  P%d:", e + 1);
        } else if (e != 0) {
            piece = "  " + NameOf(net, e);
        } else {
            continue;  // a missing orientation point still counts as a position
        }
        if ((j + 1) % 10 == 0) {
            lines.push_back(text);
            text = piece;
        } else {
            text += piece;
        }
    }
    lines.push_back(text);
}

void AppendTraverseLines(const Network& net, const ClosureLoop& loop, LineList& lines) {
    const TraverseResult& r = *loop.traverse;
    const bool unoriented = loop.Orientation() == TraverseUnoriented;
    if (!unoriented) lines.push_back(FormatText("fx=%7.4lf  fy=%7.4lf", r.fx, r.fy));
    double fd = std::sqrt(r.fx * r.fx + r.fy * r.fy);
    if (fd < 0.0001) fd = 0.0001;
    lines.push_back(FormatText("fd=%7.4lf  [s]=%5.0lf  [ 1/%-7.0lf]", fd, r.sumS, r.sumS / fd));
    if (unoriented) return;
    auto name = [&](int j) { return NameOf(net, j >= 0 && j < loop.count ? loop.At(j) : 0); };
    lines.push_back(FormatText("最大误差边=%s--%s   最大误差方向=%s--%s", name(r.maxErrorSide).c_str(),
                               name(r.maxErrorSide + 1).c_str(), name(r.maxErrorDirection).c_str(),
                               name(r.maxErrorDirection + 1).c_str()));
}

// The extra line: the standard error in d.mmss in a plane network, in metres in a height one.
std::string ExtraLine(const Network& net, double sigma) {
    return FormatText("观测值中误差(m) = [%.6lf]", net.hdr.heightMode != 0 ? sigma : RadiansToDms(sigma));
}

DetailCallback DetailOf(ClosureContext& c) {
    return [&c](int16_t i) { return FormatLoopDetail(c, i); };
}

}  // namespace

int16_t FormatLoopDetail(ClosureContext& c, int i) {
    if (i == WindowClosing) {
        FreeLoops(c.state);
        return 1;
    }
    const ClosureLoop* loop = c.state.Loop(i);
    if (loop == nullptr) return 0;
    LineList& lines = c.reports.detailLines;
    lines.clear();
    lines.push_back(HeadLine(*loop, i));
    if (loop->count == 0) return 0;
    AppendElementLines(c.net, *loop, lines);
    if (loop->Kind() == LoopTraverse && loop->traverse) AppendTraverseLines(c.net, *loop, lines);
    return 1;
}

void ShowClosureWindow(ClosureContext& c, WindowHost& host, int kind) {
    // Loops of an earlier window or report are gone before a new computation.
    FreeLoops(c.state);
    double sigma = 0.0;
    if (ComputeClosures(c, kind, sigma) == 0) return;
    ChartCallback chart = [&c](int16_t i, DrawingSurface& dc, int width, int height) {
        return DrawLoopChart(c.net, c.state, i, dc, width, height);
    };
    ResultListWindow window(c.reports, ClosureHeading, ExtraLine(c.net, sigma), DetailOf(c), chart);
    host.RunResultList(window);
}

int WriteClosureReport(ClosureContext& c, const char* path, int kind) {
    FreeLoops(c.state);
    double sigma = 0.0;
    if (ComputeClosures(c, kind, sigma) == 0) return 0;
    const std::string extra = ExtraLine(c.net, sigma);
    const int result = WriteReportFile(c.reports, path, ClosureTitle, ClosureHeading, extra.c_str(), DetailOf(c));
    FreeLoops(c.state);
    return result;
}

}  // namespace quenvar
