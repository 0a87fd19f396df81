// `quenvar design`: the design analysis of a planned network. The network is loaded, marked
// as a design network and analysed with its a-priori errors: the general design gives the
// precision of the points, pairs and observations the plan would reach; the third-class
// analysis also finds the weakest direction of the network and rates every observation, the
// planned ones (class a) included, by its contribution to the precision.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "json_output.h"
#include "network_files.h"
#include "results.h"
#include "quenvar.h"

namespace quenvar_cli {

namespace {

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> bytes;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return bytes;
    unsigned char buf[4096];
    for (size_t got; (got = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + got);
    std::fclose(f);
    return bytes;
}

int Int16At(const std::vector<unsigned char>& b, size_t at) { return int16_t(uint16_t(b[at] | (b[at + 1] << 8))); }

float FloatAt(const std::vector<unsigned char>& b, size_t at) {
    const uint32_t u = uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
                       (uint32_t(b[at + 3]) << 24);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// The results of a third-class analysis from the files it left in the current directory:
// the weakest direction ("optim1.dat": n, s0, lambda, eigenvector) and the ratings of the
// observations ("optim2.dat": number, g, h per observation).
void PrintRatings() {
    const std::vector<unsigned char> direction = ReadFile("optim1.dat");
    const std::vector<unsigned char> ratings = ReadFile("optim2.dat");
    if (direction.size() < 10) throw Failure("the third-class analysis left no weakest direction in 'optim1.dat'");
    const int n = Int16At(direction, 0);
    std::printf("Weakest direction: lambda = %.6g (largest eigenvalue of s0 Q divided by s0, %d unknowns)\n",
                double(FloatAt(direction, 6)), n);
    std::printf("\nRatings of the observations (optim2.dat):\n  obs            g            h\n");
    for (size_t at = 0; at + 10 <= ratings.size(); at += 10) {
        std::printf("%5d %12.6g %12.6g\n", Int16At(ratings, at), double(FloatAt(ratings, at + 2)),
                    double(FloatAt(ratings, at + 6)));
    }
}

int ParseDesignMethod(const std::string& text) {
    if (text == "general" || text == "0") return 0;
    if (text == "third" || text == "1") return 1;
    throw UsageError("unknown design method '" + text + "' (use general or third)");
}

int RunDesign(const ParsedArgs& args, Console& console) {
    const std::string& kind = args.positional[0];
    if (kind != "xy" && kind != "h") {
        throw UsageError("network kind must be 'xy' (plane) or 'h' (height), not '" + kind + "'");
    }
    const bool height = kind == "h";
    const int method = ParseDesignMethod(args.Value("method", "general"));
    for (const char* option : {"direction-sigma", "distance-sigma", "distance-ppm", "level-sigma", "trig-sigma"}) {
        if (args.Has(option)) ParseNonNegative(args.Value(option), std::string("--") + option);
    }
    for (const char* option : {"report", "points-report", "pairs-report", "reliability-report", "json"}) {
        if (args.Has(option) && !IsStdout(args.Value(option))) CheckWritableLocation(args.Value(option));
    }
    if (args.Has("output")) CheckSaveTarget(args.Value("output"), args, Holds::AdjustmentResults);

    LoadedNetwork network(args.positional[1], args);
    if (zrSetDesignMode(1) != 1) throw Failure("no network was loaded from '" + args.positional[1] + "'");
    SetAprioriErrors(args);
    const char* what = height ? "height network" : "plane network";
    if ((height ? zrHAdjustment(method, 1) : zrXYAdjustment(method, 1)) != 1) {
        throw Failure(std::string("the design analysis of the ") + what + " failed");
    }
    console.FinishProgressLine();
    Note(console, std::string(method == 0 ? "general design" : "third-class analysis") + " of the " + what + " done");

    bool any = false;
    for (const ResultReport& o : kResultReports) {
        if (!args.Has(o.option)) continue;
        WriteReport(o.writer, args.Value(o.option), o.what, console);
        any = true;
    }
    const bool jsonOnStdout = args.Has("json") && args.Value("json") == "-";
    if (!any && !jsonOnStdout) WriteReport(&zrReportOnPointAdj, "-", "point error report", console);
    if (method == 1 && !jsonOnStdout) PrintRatings();
    if (args.Has("output")) SaveNetwork(args.Value("output"), args, Holds::AdjustmentResults, console);
    if (args.Has("json")) WriteJson(ReadResults(), args.Value("json"), "design", {});
    return 0;
}

}  // namespace

Command DesignCommand() {
    return {"design", "xy|h NETWORK", "design analysis of a planned plane or height network",
            "Marks NETWORK as a planned network and analyses the precision it would reach with its\n"
            "a-priori errors; no observation is adjusted. After the approximate calculation (which\n"
            "asks before it recomputes the new points) the general design computes the error\n"
            "ellipses or height errors, the relative errors and the cofactors of the observations,\n"
            "planned ones (class a) included; without report options the point errors are printed.\n"
            "The third-class analysis (--method third) also finds the weakest direction of the\n"
            "network and rates every observation: g, its contribution to the precision as a whole,\n"
            "and h, its sensitivity in the weakest direction. It leaves optim0.dat, optim1.dat and\n"
            "optim2.dat in the current directory and prints the ratings from them.\n"
            "\n"
            "Examples:\n"
            "  quenvar design xy examples/design.txt --direction-sigma 1 --distance-sigma 2 --distance-ppm 2\n"
            "  quenvar design xy examples/design.txt --method third --reliability-report reliability.txt",
            {{"method", 'm', true, "M", "general (default) or third"},
             {"direction-sigma", 0, true, "SEC", "a-priori direction error, arc-seconds"},
             {"distance-sigma", 0, true, "MM", "a-priori distance error, fixed part, millimetres"},
             {"distance-ppm", 0, true, "PPM", "a-priori distance error, proportional part, ppm"},
             {"level-sigma", 0, true, "MM", "a-priori levelling error, millimetres"},
             {"trig-sigma", 0, true, "MM", "a-priori trigonometric height error, millimetres per km"},
             {"report", 'r', true, "FILE", "write the precision summary"},
             {"points-report", 0, true, "FILE", "write the point error statistics"},
             {"pairs-report", 0, true, "FILE", "write the relative (point-pair) error statistics"},
             {"reliability-report", 0, true, "FILE", "write the reliability analysis"},
             {"output", 'o', true, "OUT", "save the network (the binary database keeps the design mark)"},
             {"json", 0, true, "FILE", "write the points, precision records and cofactors as JSON ('-': standard output)"}},
            2, 2, &RunDesign};
}

}  // namespace quenvar_cli
