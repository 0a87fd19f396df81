// Timings of the approximate calculation and of a plane adjustment on grid networks up to the
// database's capacity. Each grid point observes directions to its four neighbours and
// distances to its east and north neighbours; two neighbouring points at opposite corners
// are known, or (free network) no point is known and all start from approximate coordinates.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "adjust/adjustment_driver.h"
#include "approx/calculate.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

// A side x side grid, 200 m spacing, with slightly jittered true coordinates; a free grid has
// every point unknown and 3 cm off its true place.
void BuildGrid(Network& net, testing::NetworkBuilder& b, int side, bool free = false) {
    auto trueX = [](int r, int c) { return 10000.0 + 200.0 * r + 7.0 * std::sin(r * 1.3 + c); };
    auto trueY = [](int r, int c) { return 20000.0 + 200.0 * c + 7.0 * std::cos(r + c * 0.7); };
    auto index = [side](int r, int c) { return r * side + c + 1; };
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const bool known = !free && ((r == 0 && c <= 1) || (r == side - 1 && c >= side - 2));
            const double offset = free ? 0.03 : 0.0;
            b.Point("P" + std::to_string(index(r, c) % 10000), known || free ? trueX(r, c) + offset : 0.0,
                    known || free ? trueY(r, c) - offset : 0.0, 0.0, known ? PointKnown : PointUnknown);
        }
    }
    const int dr[4] = {1, 0, -1, 0}, dc[4] = {0, 1, 0, -1};
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const int s = index(r, c);
            const double orientation = 0.37 * s;
            for (int k = 0; k < 4; ++k) {
                const int r2 = r + dr[k], c2 = c + dc[k];
                if (r2 < 0 || c2 < 0 || r2 >= side || c2 >= side) continue;
                const double az = std::atan2(trueY(r2, c2) - trueY(r, c), trueX(r2, c2) - trueX(r, c));
                // Deterministic errors of about 1" and 2 mm, so the passes have work to do.
                const double e = std::sin(1.7 * s + 2.3 * k);
                b.Obs(s, index(r2, c2), KindDirection, NormalizeAngle(az - orientation + 5e-6 * e));
                if (k < 2)
                    b.Obs(s, index(r2, c2), KindDistance,
                          std::hypot(trueY(r2, c2) - trueY(r, c), trueX(r2, c2) - trueX(r, c)) + 0.002 * e);
            }
        }
    }
    net.hdr.dirSigma = float(DmsToRadians(0.0002));
    net.hdr.distSigmaConst = 0.003f;
    net.hdr.distSigmaPpm = 2.0f;
}

void BM_Calculate(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        BuildGrid(net, b, int(state.range(0)));
        state.ResumeTiming();
        benchmark::DoNotOptimize(Calculate(net, b.ui()));
        state.PauseTiming();
        int located = 0;
        for (int p = 1; p <= net.hdr.pointCount; ++p) located += HasPlaneCoords(net, p);
        state.counters["located"] = located;
        state.ResumeTiming();
    }
    state.counters["points"] = double(state.range(0) * state.range(0));
}
BENCHMARK(BM_Calculate)->Arg(20)->Arg(40)->Arg(45)->Unit(benchmark::kMillisecond);

void BM_PlaneAdjustment(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        BuildGrid(net, b, int(state.range(0)));
        Calculate(net, b.ui());
        state.ResumeTiming();
        benchmark::DoNotOptimize(RunAdjustment(net, b.ui(), int16_t(state.range(1)), 0, int16_t(state.range(2))));
    }
    state.counters["unknowns"] = double(2 * (state.range(0) * state.range(0) - 4));
}
// Arguments: grid side, method, passes (method 0 is one pass; method 2, weighted data snooping,
// adds residuals, re-weighting and the cofactors of the adjusted observations).
BENCHMARK(BM_PlaneAdjustment)
    ->Args({10, 0, 1})
    ->Args({20, 0, 1})
    ->Args({30, 0, 1})
    ->Args({40, 0, 1})
    ->Args({45, 0, 1})
    ->Args({45, 2, 5})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The general design of the same grid planned (design mark set): one inversion, the precision
// records and the cofactors of every observation, against its iterated adjustment (method 6).
// Argument: grid side; the second argument 1 runs the adjustment instead of the design.
void BM_GeneralDesign(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        BuildGrid(net, b, int(state.range(0)));
        Calculate(net, b.ui());
        net.hdr.designMode = state.range(1) ? 0 : 1;
        state.ResumeTiming();
        const int16_t result = RunAdjustment(net, b.ui(), state.range(1) ? 6 : 0, 0, 5);
        state.counters["result"] = result;
    }
    state.counters["unknowns"] = double(2 * (state.range(0) * state.range(0) - 4));
}
BENCHMARK(BM_GeneralDesign)->ArgsProduct({{30, 55}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);

// The third-class analysis of the planned grid: the first stage, the Jacobi decomposition of
// the covariance matrix (of order n^3 a sweep) and the second stage with the ratings. Its files
// go to the system's temporary directory. Argument: grid side.
void BM_ThirdClassAnalysis(benchmark::State& state) {
    const DesignFiles files(std::filesystem::temp_directory_path().string());
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        BuildGrid(net, b, int(state.range(0)));
        Calculate(net, b.ui());
        net.hdr.designMode = 1;
        state.ResumeTiming();
        int result = RunAdjustment(net, b.ui(), 1, 0, 1, InvertNormalMatrix, &files);
        if (result == 98) result = RunDesignSecondStage(net, b.ui(), 1, files);
        state.counters["result"] = result;
    }
    state.counters["unknowns"] = double(2 * (state.range(0) * state.range(0) - 4));
}
BENCHMARK(BM_ThirdClassAnalysis)->Arg(10)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(1);

// The plain inversion of the matrix with its datum terms, for comparison: any inverter but
// InvertNormalMatrix itself takes that route.
int DenseDatumInverse(int n, NormalMatrix& matrix) { return InvertNormalMatrix(n, matrix); }

// A free grid (datum defect 3), one pass; the second argument 1 takes the plain inversion.
void BM_FreeAdjustment(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        BuildGrid(net, b, int(state.range(0)), true);
        state.ResumeTiming();
        const int16_t result =
            RunAdjustment(net, b.ui(), 0, 0, 1, state.range(1) ? DenseDatumInverse : InvertNormalMatrix);
        state.counters["result"] = result;
    }
    state.counters["unknowns"] = double(2 * state.range(0) * state.range(0));
}
BENCHMARK(BM_FreeAdjustment)
    ->ArgsProduct({{10, 20, 30}, {0, 1}})
    ->Args({40, 0})
    ->Args({45, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace quenvar

BENCHMARK_MAIN();
