// The chart of one loop: its points (or a side condition's triangles) drawn north up and east
// to the right, fitted into the drawing area, with point names and the map scale.
#pragma once

#include <cstdint>

#include "closure/closure_loop.h"
#include "netdb/network.h"
#include "ui/drawing_surface.h"

namespace quenvar {

// The chart window in network coordinates (metres; X north, Y east) and its scale (pixels per
// metre), rebuilt at every chart.
struct ChartBounds {
    double minX = 1.0e12;
    double minY = 1.0e12;
    double maxX = 1.0e-12;
    double maxY = 1.0e-12;
    double scale = 0.0;
};

// Draws loop i into width x height pixels; nonzero when something was drawn. Nothing is drawn
// for an empty loop, a point without coordinates, an area below 56 x 72 pixels or a loop
// without extent in either axis.
int16_t DrawLoopChart(const Network& net, const ClosureState& state, int i, DrawingSurface& dc, int width,
                      int height);

// Widens the bounds by elements 0 ... n - 2 (elements 0 are skipped); 0 for a point without
// coordinates.
int ExtendChartBounds(const Network& net, const int16_t* elements, int n, ChartBounds& b);
int ExtendChartBounds(const Network& net, const uint16_t* elements, int n, ChartBounds& b);
// Scale and centred window for width x height pixels; 0 when too small or without extent.
int FitChartScale(int width, int height, ChartBounds& b);

}  // namespace quenvar
