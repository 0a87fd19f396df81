#include "closure/loop_chart.h"

#include <algorithm>
#include <cmath>

#include "netdb/point_lookup.h"
#include "report/format_text.h"

namespace quenvar {

namespace {

template <typename Element>
int Extend(const Network& net, const Element* elements, int n, ChartBounds& b) {
    for (int j = 0; j < n - 1; ++j) {
        const int p = elements[j];
        if (p == 0) continue;
        // Copies: the packed record's fields are never bound to references.
        const double x = net.Point(p).x, y = net.Point(p).y;
        if (std::fabs(x) < 0.001 && std::fabs(y) < 0.001) return 0;  // no coordinates
        if (!std::isfinite(x) || !std::isfinite(y)) return 0;
        b.minX = std::min(b.minX, x);
        b.maxX = std::max(b.maxX, x);
        b.minY = std::min(b.minY, y);
        b.maxY = std::max(b.maxY, y);
    }
    return 1;
}

// The pixel of a chart distance, 5 pixels in from the edge. The bounds leave out the last
// element of the chain, so a point can lie any distance off the chart: it is held at a billion
// pixels out (a coordinate that is not a number at the negative end) instead of wrapping.
int Pixel(double offset) {
    constexpr double farOff = 1e9;
    const double p = offset + 5;
    if (!(p > -farOff)) return -int(farOff);
    return p < farOff ? int(p) : int(farOff);
}

// The chain of points as one line with a name at every point; elements 0 are passed over.
template <typename Element>
void DrawPointChain(const Network& net, const Element* elements, int n, const ChartBounds& b, DrawingSurface& dc) {
    bool first = true;
    for (int j = 0; j < n; ++j) {
        const int p = elements[j];
        if (p == 0) continue;
        const PointRec& r = net.Point(p);
        const int sx = Pixel((r.y - b.minY) * b.scale);
        const int sy = Pixel((b.maxX - r.x) * b.scale);
        if (!first) dc.LineTo(sx, sy);
        dc.TextOut(sx, sy, PointName(r).c_str());
        dc.MoveTo(sx, sy);
        first = false;
    }
}

// Every triangle of a side condition, pseudo-nodes passed over.
template <typename Visit>
int ForEachTriangle(const ClosureLoop& loop, const std::vector<TriangleRecord>& table, Visit visit) {
    for (int j = 0; j < loop.count - loop.Closed(); ++j) {
        const int node = loop.At(j);
        if (node < 1 || size_t(node) >= table.size() || table[size_t(node)].vertex[0] == 0) continue;
        if (!visit(table[size_t(node)])) return 0;
    }
    return 1;
}

// Every point index of the chart must be a point of the network.
bool PointsInRange(const Network& net, const ClosureLoop& loop, const std::vector<TriangleRecord>& table) {
    auto valid = [&](int p) { return p >= 0 && p <= net.hdr.pointCount && p < net.PointCapacity(); };
    if (loop.Kind() != LoopSideCondition) {
        for (int j = 0; j < loop.count; ++j)
            if (!valid(loop.At(j))) return false;
        return true;
    }
    return ForEachTriangle(loop, table, [&](const TriangleRecord& t) {
               for (const uint16_t v : t.vertex)
                   if (!valid(v)) return false;
               return true;
           }) != 0;
}

}  // namespace

int ExtendChartBounds(const Network& net, const int16_t* elements, int n, ChartBounds& b) {
    return Extend(net, elements, n, b);
}

int ExtendChartBounds(const Network& net, const uint16_t* elements, int n, ChartBounds& b) {
    return Extend(net, elements, n, b);
}

int FitChartScale(int width, int height, ChartBounds& b) {
    const int w = width - 16, h = height - 32;  // margins for the names and the scale text
    if (w < 40 || h < 40) return 0;
    if (b.maxX - b.minX <= 0.001) return 0;
    b.scale = h / (b.maxX - b.minX);
    if (b.maxY - b.minY <= 0.001) return 0;
    if (b.scale > w / (b.maxY - b.minY)) b.scale = w / (b.maxY - b.minY);
    const double midX = (b.minX + b.maxX) / 2, midY = (b.minY + b.maxY) / 2;
    b.minX = midX - h / 2.0 / b.scale;
    b.maxX = midX + h / 2.0 / b.scale;
    b.minY = midY - w / 2.0 / b.scale;
    b.maxY = midY + w / 2.0 / b.scale;
    return 1;
}

int16_t DrawLoopChart(const Network& net, const ClosureState& state, int i, DrawingSurface& dc, int width,
                      int height) {
    const ClosureLoop* loop = state.Loop(i);
    if (loop == nullptr) return 0;
    ChartBounds b;
    if (loop->count == 0 || !PointsInRange(net, *loop, state.triangleTable)) return 0;
    if (loop->Kind() != LoopSideCondition) {
        if (!ExtendChartBounds(net, loop->elements.data(), loop->count, b) || !FitChartScale(width, height, b)) return 0;
        DrawPointChain(net, loop->elements.data(), loop->count, b, dc);
    } else {
        const auto extend = [&](const TriangleRecord& t) { return ExtendChartBounds(net, t.vertex, 4, b) != 0; };
        if (!ForEachTriangle(*loop, state.triangleTable, extend) || !FitChartScale(width, height, b)) return 0;
        ForEachTriangle(*loop, state.triangleTable, [&](const TriangleRecord& t) {
            DrawPointChain(net, t.vertex, 4, b, dc);
            return true;
        });
    }
    // A screen pixel is taken as 1/3000 m.
    // The whole part of 1 / scale, as "%ld" would print it, without a conversion that overflows.
    const std::string scale = FormatText("1:%.0f", std::trunc(1.0 / b.scale) * 3000.0);
    dc.TextOut(10, 2, scale.c_str());
    return 1;
}

}  // namespace quenvar
