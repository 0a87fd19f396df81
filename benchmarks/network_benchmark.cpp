// Timings of every stage on generated traverse meshes of 100, 1,000 and 4,000 points (the
// database's capacity): text load, binary load and save, approximate coordinates, the
// adjustment by each kind of method, precision records and cofactors, and the reports. The
// adjustments run with the sparse and with the packed storage on the same network; the
// packed one, whose time grows with the cube of the unknowns, runs at 4,000 points only when
// QUENVAR_BENCH_PACKED_4000 is set (minutes). After the timings a table gives the passes run,
// the ratio of the two storages, their largest differences (coordinates, precision records,
// the cofactors of every unknown point) and the refinement steps of the sparse storage's last
// corrections.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "report/error_statistics.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "tests/support/generated_networks.h"

namespace quenvar {
namespace {

constexpr int Sizes[] = {100, 1000, 4000};

std::string TempPath(const std::string& name) {
    return "/tmp/quenvar_bench_" + std::to_string(getpid()) + "_" + name;
}

// A mesh of the given size with approximate coordinates computed.
void Mesh(Network& net, testing::NetworkBuilder& b, int points, testing::MeshKind kind, bool calculate = true) {
    testing::TraverseMesh(points).Build(b, net, kind);
    if (calculate) Calculate(net, b.ui());
}

// Processor time of the process: the closing table compares the storages by the work each
// does, which a busy machine leaves steadier than the time on the clock.
double Now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

std::string Label(int points, const char* what) { return std::to_string(points) + " points, " + what; }

void BM_TextLoad(benchmark::State& state) {
    const int points = int(state.range(0));
    const std::string path = TempPath(std::to_string(points) + ".txt");
    {
        Network net;
        testing::NetworkBuilder b(net);
        Mesh(net, b, points, testing::MeshKind::Plane, false);
        SaveDatabase(net, b.ui(), path.c_str(), 0);
    }
    // Beyond its 3,068th point the reader grows the storage and keeps no further observation, so
    // the larger meshes load their points only: the counter says how many observations stayed.
    int kept = 0;
    for (auto _ : state) {
        testing::RecordingMessenger ui;
        Network net;
        benchmark::DoNotOptimize(LoadDatabase(net, ui, path.c_str()));
        kept = net.hdr.obsCount;
    }
    std::remove(path.c_str());
    state.counters["observations"] = kept;
    state.SetLabel(Label(points, "plane mesh"));
}

void BM_BinaryLoadSave(benchmark::State& state) {
    const int points = int(state.range(0));
    const std::string path = TempPath(std::to_string(points) + ".db");
    Network source;
    testing::NetworkBuilder b(source);
    Mesh(source, b, points, testing::MeshKind::Plane);
    for (auto _ : state) {
        SaveDatabase(source, b.ui(), path.c_str(), 0);
        Network net;
        benchmark::DoNotOptimize(LoadDatabase(net, b.ui(), path.c_str()));
    }
    std::remove(path.c_str());
    state.SetLabel(Label(points, "plane mesh, save then load"));
}

void BM_Calculate(benchmark::State& state) {
    const int points = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        Mesh(net, b, points, testing::MeshKind::Plane, false);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Calculate(net, b.ui()));
    }
    state.SetLabel(Label(points, "plane mesh"));
}

// Timings of the adjustments by network, method and storage, for the closing table.
struct Timed {
    double seconds = 0.0;
    int passes = 0;
    Network net;
    std::vector<double> cofactors;  // Q(i, i) and Q(i, i - 1) of every unknown i
    int refinementSteps = 0;        // of the last pass's corrections
};
std::map<std::string, Timed>& Results() {
    static std::map<std::string, Timed> results;
    return results;
}

const char* MethodName(int method) {
    switch (method) {
    case MethodSingle: return "single";
    case MethodIteration: return "iterated";
    case MethodHuber: return "robust (Huber)";
    default: return "variance components";
    }
}

// Gross errors of 8 to 40 seconds of arc in one direction of about every fiftieth: the robust
// method then re-weights pass after pass instead of settling after a few.
void AddGrossErrors(Network& net) {
    int k = 0;
    for (int o = 1; o <= net.hdr.obsCount; o += 53)
        if (KindOf(net.Obs(o)) == KindDirection) net.Obs(o).value += 2e-5 * (2 + 8 * (++k % 5)) / 5;
}

// Arguments: points, method, passes, height mesh (0/1), storage (0 sparse, 1 packed). The
// robust method runs on the mesh with gross errors.
void BM_Adjustment(benchmark::State& state) {
    const int points = int(state.range(0)), method = int(state.range(1)), passes = int(state.range(2));
    const bool height = state.range(3) != 0;
    const SolverKind solver = state.range(4) ? SolverKind::Packed : SolverKind::Sparse;
    const std::string key = std::to_string(points) + (height ? " h " : " xy ") + MethodName(method) + " " +
                            std::to_string(passes);
    if (solver == SolverKind::Packed && points > 1000 && !std::getenv("QUENVAR_BENCH_PACKED_4000")) {
        state.SkipWithError("packed storage skipped at 4,000 points: its inverse takes about 250 MB and minutes "
                            "(n^3); set QUENVAR_BENCH_PACKED_4000=1 to run it");
        return;
    }
    Network net;
    double seconds = 1e30;
    int ran = 0;
    std::unique_ptr<NormalSystem> system;
    for (auto _ : state) {
        state.PauseTiming();
        net = Network{};
        testing::NetworkBuilder b(net);
        Mesh(net, b, points, height ? testing::MeshKind::Height : testing::MeshKind::Plane);
        if (method == MethodHuber) AddGrossErrors(net);
        const size_t before = b.ui().progress.size();
        system = MakeNormalSystem(solver);
        const double start = Now();
        state.ResumeTiming();
        const int16_t result = RunAdjustment(net, b.ui(), int16_t(method), 0, int16_t(passes), *system);
        state.PauseTiming();
        seconds = std::min(seconds, Now() - start);
        // One progress line for the preparation, one for every pass.
        ran = int(b.ui().progress.size() - before) - 1;
        if (result < 1) state.SkipWithError("the adjustment failed");
        state.ResumeTiming();
    }
    state.counters["passes"] = ran;
    Timed& t = Results()[key + (solver == SolverKind::Packed ? " packed" : " sparse")];
    t.seconds = seconds;
    t.passes = ran;
    t.refinementSteps = system ? system->Refinement().steps : 0;
    t.cofactors.clear();
    const int per = height ? 1 : 2;
    int unknowns = 0;
    for (int p = 1; p <= net.hdr.pointCount; ++p)
        unknowns += (height ? HeightClass(net.Point(p)) : PlaneClass(net.Point(p))) == PointKnown ? 0 : per;
    for (int i = 1; system && i <= unknowns; ++i)
        t.cofactors.insert(t.cofactors.end(), {system->Cofactor(i, i), i > 1 ? system->Cofactor(i, i - 1) : 0.0});
    t.net = std::move(net);
    const std::string run = passes == 1 ? std::string("single (two passes)")
                                        : std::string(MethodName(method)) + ", " + std::to_string(passes) + " passes";
    state.SetLabel(Label(points, height ? "height mesh" : "plane mesh") + ", " + run + ", " + SolverName(solver));
}

void BM_PrecisionReport(benchmark::State& state) {
    const int points = int(state.range(0));
    Network net;
    testing::NetworkBuilder b(net);
    Mesh(net, b, points, testing::MeshKind::Plane);
    RunAdjustment(net, b.ui(), MethodIteration, 0, 2);
    ReportBuffers buffers;
    std::string text;
    for (auto _ : state) {
        BuildPrecisionReport(net, buffers, text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetLabel(Label(points, "plane mesh"));
}

// The tables of the point errors and of the pair errors written to a file, after an iterated
// adjustment. Argument: points.
void BM_ErrorTables(benchmark::State& state) {
    const int points = int(state.range(0));
    const std::string path = TempPath(std::to_string(points) + "_errors.txt");
    Network net;
    testing::NetworkBuilder b(net);
    Mesh(net, b, points, testing::MeshKind::Plane);
    RunAdjustment(net, b.ui(), MethodIteration, 0, 2);
    ReportBuffers buffers;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteErrorStatistics(net, b.ui(), buffers, ErrorTable::Points, path.c_str()));
        benchmark::DoNotOptimize(WriteErrorStatistics(net, b.ui(), buffers, ErrorTable::Pairs, path.c_str()));
    }
    std::remove(path.c_str());
    state.SetLabel(Label(points, "plane mesh, point and pair error tables"));
}

// The general design of the mesh planned (design mark set): one solution, the precision
// records and the cofactors of every observation, against its iterated adjustment (method 6).
// Arguments: points; 1 runs the adjustment instead of the design.
void BM_GeneralDesign(benchmark::State& state) {
    const int points = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        Mesh(net, b, points, testing::MeshKind::Plane);
        net.hdr.designMode = state.range(1) ? 0 : 1;
        state.ResumeTiming();
        if (RunAdjustment(net, b.ui(), state.range(1) ? MethodIteration : MethodSingle, 0, 5) < 1)
            state.SkipWithError("the design failed");
    }
    state.SetLabel(Label(points, state.range(1) ? "plane mesh, adjustment" : "plane mesh, general design"));
}

// The third-class analysis of the planned mesh: the first stage, the Jacobi decomposition of
// the covariance matrix (of order n^3 a sweep) and the second stage with the ratings. Its files
// go to the system's temporary directory. Argument: points.
void BM_ThirdClassAnalysis(benchmark::State& state) {
    const DesignFiles files(std::filesystem::temp_directory_path().string());
    const int points = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Network net;
        testing::NetworkBuilder b(net);
        Mesh(net, b, points, testing::MeshKind::Plane);
        net.hdr.designMode = 1;
        state.ResumeTiming();
        int result = RunAdjustment(net, b.ui(), 1, 0, 1, SolverKind::Sparse, &files);
        if (result == ResultDesignStage) result = RunDesignSecondStage(net, b.ui(), 1, files);
        if (result < 1) state.SkipWithError("the analysis failed");
    }
    state.SetLabel(Label(points, "plane mesh, third-class analysis"));
}

void Register() {
    for (const int points : Sizes) {
        benchmark::RegisterBenchmark("TextLoad", BM_TextLoad)->Arg(points)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BinaryLoadSave", BM_BinaryLoadSave)->Arg(points)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("Calculate", BM_Calculate)->Arg(points)->Unit(benchmark::kMillisecond);
    }
    // The largest text network whose observations all stay.
    benchmark::RegisterBenchmark("TextLoad", BM_TextLoad)->Arg(3000)->Unit(benchmark::kMillisecond);
    for (const int points : {100, 200, 400})
        benchmark::RegisterBenchmark("ThirdClassAnalysis", BM_ThirdClassAnalysis)
            ->Arg(points)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    // Method 6 with one pass is the tool's single adjustment (two passes are run).
    const int methods[][2] = {{MethodIteration, 1}, {MethodIteration, 5}, {MethodHuber, 10},
                              {MethodVarianceComponents, 5}};
    // The packed storage runs the single adjustment beside the sparse one; the other methods
    // only on the smallest mesh (its passes cost seconds each at 1,000 points).
    for (const int points : Sizes) {
        for (const auto& m : methods)
            for (int packed = 0; packed <= (m[1] == 1 || points == Sizes[0] ? 1 : 0); ++packed)
                benchmark::RegisterBenchmark("Adjustment", BM_Adjustment)
                    ->Args({points, m[0], m[1], 0, packed})
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(packed ? 1 : 5);
        for (int packed = 0; packed <= 1; ++packed)
            benchmark::RegisterBenchmark("Adjustment", BM_Adjustment)
                ->Args({points, MethodIteration, 1, 1, packed})
                ->Unit(benchmark::kMillisecond)
                ->Iterations(packed ? 1 : 5);
        benchmark::RegisterBenchmark("PrecisionReport", BM_PrecisionReport)->Arg(points)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ErrorTables", BM_ErrorTables)->Arg(points)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("GeneralDesign", BM_GeneralDesign)
            ->ArgsProduct({{points}, {0, 1}})
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
}

// The largest difference of two adjustments' cofactors relative to sqrt(Q(i, i) Q(j, j)).
double CofactorDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double worst = 0.0;
    for (size_t k = 0; k < a.size() && k < b.size(); k += 2) {
        worst = std::max(worst, std::fabs(a[k] - b[k]) / b[k]);
        if (k > 0) worst = std::max(worst, std::fabs(a[k + 1] - b[k + 1]) / std::sqrt(b[k] * b[k - 2]));
    }
    return worst;
}

// The largest difference of two adjustments: coordinates (metres) and precision records
// relative to their size.
void Differences(const Network& a, const Network& b, double& coordinates, double& records) {
    coordinates = records = 0.0;
    for (int p = 1; p <= a.hdr.pointCount && p <= b.hdr.pointCount; ++p)
        coordinates = std::max({coordinates, std::fabs(a.Point(p).x - b.Point(p).x),
                                std::fabs(a.Point(p).y - b.Point(p).y), std::fabs(a.Point(p).h - b.Point(p).h)});
    for (size_t k = 0; k < a.ellipses.size() && k < b.ellipses.size(); ++k)
        for (const auto f : {&EllipseRec::a, &EllipseRec::b})
            records = std::max(records, std::fabs(double(a.ellipses[k].*f) - double(b.ellipses[k].*f)) /
                                            std::max(1e-30, std::fabs(double(b.ellipses[k].*f))));
}

void PrintRatios() {
    std::printf("\nProcessor seconds of the fastest run of each adjustment:\n%-42s %6s %12s %12s %8s %14s %14s %14s %6s\n",
                "network, method, passes asked", "run", "sparse s", "packed s", "ratio", "max dxyz m", "max rel. rec.",
                "max rel. Q", "steps");
    for (const auto& [key, t] : Results()) {
        if (key.size() < 7 || key.substr(key.size() - 7) != " sparse") continue;
        const std::string base = key.substr(0, key.size() - 7);
        const auto packed = Results().find(base + " packed");
        if (packed == Results().end()) {
            std::printf("%-42s %6d %12.4f %12s %8s %14s %14s %14s %6d\n", base.c_str(), t.passes, t.seconds,
                        base.rfind("4000 ", 0) == 0 ? "skipped" : "-", "-", "-", "-", "-", t.refinementSteps);
            continue;
        }
        double dc = 0.0, dr = 0.0;
        Differences(t.net, packed->second.net, dc, dr);
        std::printf("%-42s %6d %12.4f %12.4f %8.1f %14.3g %14.3g %14.3g %6d\n", base.c_str(), t.passes, t.seconds,
                    packed->second.seconds, packed->second.seconds / t.seconds, dc, dr,
                    CofactorDifference(t.cofactors, packed->second.cofactors), t.refinementSteps);
    }
    if (!std::getenv("QUENVAR_BENCH_PACKED_4000"))
        std::printf("The packed storage is skipped at 4,000 points: its inverse of 7,800 unknowns takes about 250 MB "
                    "and minutes;\nQUENVAR_BENCH_PACKED_4000=1 runs it.\n");
}

}  // namespace
}  // namespace quenvar

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    quenvar::Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    quenvar::PrintRatios();
    return 0;
}
