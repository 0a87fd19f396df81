// Timings of the closure computation at the network's capacity: a grid of 3,000 points with
// about 12,000 observations, plane (directions both ways along rows and columns, a diagonal in
// every eighth cell, distances along every tenth row) and height (levelled lines with their
// lengths along rows and columns). Each run is the whole computation: approximate values,
// loop search, closures, table lines, then the loops freed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "approx/calculate.h"
#include "closure/closure_table.h"
#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

constexpr int Rows = 60;
constexpr int Cols = 50;

struct Grid {
    Network net;
    testing::NetworkBuilder b{net};

    static int Index(int r, int c) { return r * Cols + c + 1; }
    static double X(int r, int c) { return 30000.0 + 150.0 * r + 7.0 * std::sin(1.3 * (r * Cols + c)); }
    static double Y(int r, int c) { return 50000.0 + 200.0 * c + 9.0 * std::cos(0.7 * (r * Cols + c)); }
    static double H(int r, int c) { return 100.0 + 20.0 * std::sin(0.05 * r) + 15.0 * std::cos(0.08 * c); }
    static bool Known(int r, int c) {
        const bool edgeRow = r == 0 || r == Rows - 1, edgeCol = c == 0 || c == Cols - 1;
        return (edgeRow && c % 10 == 0) || (edgeCol && r % 10 == 0) || (edgeRow && edgeCol);
    }
    // A small deterministic error in [-1, 1].
    static double Error(int p, int k) { return std::sin(1.7 * p + 2.3 * k + 0.4); }

    explicit Grid(bool height) {
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Cols; ++c) {
                const int cls = Known(r, c) ? PointKnown : PointUnknown;
                const std::string name = "G" + std::to_string(Index(r, c));
                if (height) {
                    b.Point(name, 0.0, 0.0, cls ? H(r, c) : 0.0, 0, cls);
                } else {
                    b.Point(name, cls ? X(r, c) : 0.0, cls ? Y(r, c) : 0.0, 0.0, cls, 0);
                }
            }
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Cols; ++c) height ? Levelling(r, c) : Station(r, c);
        net.hdr.heightMode = height ? 1 : 0;
    }

    void Sight(int r, int c, int tr, int tc, int k) {
        const double az = std::atan2(Y(tr, tc) - Y(r, c), X(tr, tc) - X(r, c));
        b.Obs(Index(r, c), Index(tr, tc), KindDirection, NormalizeAngle(az + 5e-6 * Error(Index(r, c), k)));
    }

    void Station(int r, int c) {
        if (c > 0) Sight(r, c, r, c - 1, 0);
        if (c < Cols - 1) Sight(r, c, r, c + 1, 1);
        if (r > 0) Sight(r, c, r - 1, c, 2);
        if (r < Rows - 1) Sight(r, c, r + 1, c, 3);
        if (r < Rows - 1 && c < Cols - 1 && (r * Cols + c) % 8 == 0) Sight(r, c, r + 1, c + 1, 4);
        if (r > 0 && c > 0 && ((r - 1) * Cols + c - 1) % 8 == 0) Sight(r, c, r - 1, c - 1, 5);
        if (r % 10 == 0 && c < Cols - 1)
            b.Obs(Index(r, c), Index(r, c + 1), KindDistance,
                  std::hypot(X(r, c + 1) - X(r, c), Y(r, c + 1) - Y(r, c)) + 0.002 * Error(Index(r, c), 6));
    }

    void Levelling(int r, int c) {
        auto line = [&](int tr, int tc, double length, int k) {
            b.Obs(Index(r, c), Index(tr, tc), KindLevelled, H(tr, tc) - H(r, c) + 0.001 * Error(Index(r, c), k));
            b.Obs(Index(r, c), Index(tr, tc), KindLineLength, length);
        };
        if (c < Cols - 1) line(r, c + 1, 200.0, 0);
        if (r < Rows - 1) line(r + 1, c, 150.0, 1);
    }
};

void BM_Closures(benchmark::State& state, bool height) {
    Grid grid(height);
    ClosureState closures;
    ReportBuffers reports;
    ClosureContext c{grid.net, grid.b.ui(), closures, reports};
    int loops = 0;
    for (auto _ : state) {
        double sigma = 0.0;
        if (ComputeClosures(c, height ? 1 : 0, sigma) != 1) state.SkipWithError("no closures");
        loops = closures.loopCount;
        FreeLoops(closures);
    }
    state.counters["loops"] = loops;
}

// The network's size goes into the name, counted on the generated network itself.
std::string Name(bool height) {
    Grid grid(height);
    return std::string("Closures/") + (height ? "height" : "plane") + "/" + std::to_string(grid.net.hdr.pointCount) +
           " points/" + std::to_string(grid.net.hdr.obsCount) + " observations";
}

const bool registered = [] {
    for (const bool height : {false, true})
        benchmark::RegisterBenchmark(Name(height).c_str(), BM_Closures, height)->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace quenvar
