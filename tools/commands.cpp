#include "commands.h"

#include <cstdio>
#include <initializer_list>

#include "json_output.h"
#include "listing.h"
#include "network_files.h"
#include "quenvar.h"
#include "results.h"

namespace quenvar_cli {

namespace {

// ---- Arguments -----------------------------------------------------------------------------

// "xy" (plane network) or "h" (height network); true for the height network.
bool ParseNetworkKind(const std::string& text) {
    if (text == "xy" || text == "plane") return false;
    if (text == "h" || text == "height") return true;
    throw UsageError("network kind must be 'xy' (plane) or 'h' (height), not '" + text + "'");
}

const char* KindName(bool height) { return height ? "height network" : "plane network"; }

struct MethodName {
    const char* name;
    int code;
};

constexpr MethodName kMethods[] = {
    {"single", 0}, {"danish", 1}, {"snooping", 2}, {"huber", 3},
    {"zhou", 4},   {"multi", 5},  {"iterated", 6}, {"posterior", 7},
};

int ParseMethod(const std::string& text) {
    for (const MethodName& m : kMethods) {
        if (text == m.name) return m.code;
    }
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') return text[0] - '0';
    throw UsageError("unknown adjustment method '" + text +
                     "' (use 0-7 or single, danish, snooping, huber, zhou, multi, iterated, posterior)");
}

void RequireOutputs(const ParsedArgs& args, std::initializer_list<const char*> options) {
    int toStdout = 0;
    for (const char* option : options) {
        if (!args.Has(option)) continue;
        const std::string out = args.Value(option);
        if (IsStdout(out)) {
            ++toStdout;
        } else {
            CheckWritableLocation(out);
        }
    }
    if (toStdout > 1) throw UsageError("only one output can go to standard output ('-')");
}

// Points of the network kind with their coordinates or heights; a point that has none is
// listed as such, never with zeros.
void PrintPoints(const Results& results) {
    for (int i = 1; size_t(i) < results.points.size(); ++i) {
        const zrPointResult& p = results.points[size_t(i)];
        const int cls = results.Height() ? p.heightClass : p.planeClass;
        if (cls == 7) continue;
        const bool has = cls == 1 || (results.Height() ? p.hasHeight : p.hasPosition);  // known: as given
        std::printf("%-5s %d%d ", results.Name(i).c_str(), p.planeClass, p.heightClass);
        if (!has) {
            std::printf("%s\n", results.Height() ? "no height" : "no coordinates");
        } else if (results.Height()) {
            std::printf("%.6f\n", p.h);
        } else {
            std::printf("%.6f %.6f\n", p.x, p.y);
        }
    }
}

struct ListingOptions {
    bool chinese = false;
    double limit = 3.29;  // normalised residuals above it are flagged
};

// Checked before the computation, so that a typing error does not waste it.
ListingOptions ParseListingOptions(const ParsedArgs& args) {
    const std::string lang = args.Value("lang", "en");
    if (lang != "en" && lang != "zh") throw UsageError("--lang must be 'en' or 'zh', not '" + lang + "'");
    return {lang == "zh", ParseNonNegative(args.Value("limit", "3.29"), "--limit")};
}

// Writes --listing and --json when asked.
void WriteResultFiles(const ParsedArgs& args, const Results& results, const std::string& command,
                      const std::vector<int>& leftOut, Console& console) {
    if (args.Has("listing")) {
        const ListingOptions listing = ParseListingOptions(args);
        console.FinishProgressLine();
        WriteListing(results, args.Value("listing"), listing.chinese, listing.limit);
        if (!IsStdout(args.Value("listing"))) Note(console, "wrote the listing to '" + args.Value("listing") + "'");
    }
    if (args.Has("json")) {
        console.FinishProgressLine();
        WriteJson(results, args.Value("json"), command, leftOut);
        if (!IsStdout(args.Value("json"))) Note(console, "wrote the results as JSON to '" + args.Value("json") + "'");
    }
}

// ---- Commands ------------------------------------------------------------------------------

int RunInfo(const ParsedArgs& args, Console& console) {
    LoadedNetwork network(args.positional[0], args);
    WriteReport(&zrReportOnNetwork, "-", "network summary", console);
    return 0;
}

int RunConvert(const ParsedArgs& args, Console& console) {
    const std::string& out = args.positional[1];
    CheckSaveTarget(out, args, Holds::Observations);
    LoadedNetwork network(args.positional[0], args);
    const Results results = ReadResults();
    Holds holds = results.summary.adjusted ? Holds::AdjustmentResults : Holds::Observations;
    for (const zrPointResult& p : results.points) {
        if (holds == Holds::Observations && (p.planeClass == 0 || p.planeClass == 2) && p.hasPosition) {
            holds = Holds::ComputedPoints;
        }
    }
    CheckSaveTarget(out, args, holds);
    SaveNetwork(out, args, holds, console);
    return 0;
}

int RunCalc(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    RequireOutputs(args, {"output", "json"});
    if (args.Has("output")) CheckSaveTarget(args.Value("output"), args, Holds::ComputedPoints);
    if (args.Has("points-only") && !args.Has("output")) throw UsageError("--points-only needs -o OUT");
    LoadedNetwork network(args.positional[1], args);
    const Results given = ReadResults(false);
    if ((height ? zrHCalculate() : zrXYCalculate()) != 1) {
        throw Failure(std::string("the approximate calculation of the ") + KindName(height) + " did not finish");
    }
    const Results results = ReadResults();
    if (args.Has("output")) {
        SaveNetwork(args.Value("output"), args, Holds::ComputedPoints, console);
    } else if (!(args.Has("json") && IsStdout(args.Value("json")))) {
        console.FinishProgressLine();
        PrintPoints(results);
    }
    const std::vector<int> left = LeftOutPoints(given, results, false);
    WriteResultFiles(args, results, "calc", left, console);
    return ReportLeftOut(left, results, false, args.Has("allow-incomplete"));
}

int RunClosure(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    const std::string out = args.positional.size() > 2 ? args.positional[2] : "-";
    if (!IsStdout(out)) CheckWritableLocation(out);
    LoadedNetwork network(args.positional[1], args);
    WriteReport(height ? &zrHCloseErrorReport : &zrXYCloseErrorReport, out,
                std::string("closure report of the ") + KindName(height), console);
    return 0;
}

int RunAdjust(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    const int method = ParseMethod(args.Value("method", "iterated"));
    const int iterations = ParseInteger(args.Value("iterations", "5"), 1, 99, "--iterations");
    for (const char* option : {"direction-sigma", "distance-sigma", "distance-ppm", "level-sigma", "trig-sigma"}) {
        if (args.Has(option)) ParseNonNegative(args.Value(option), std::string("--") + option);
    }
    RequireOutputs(args, {"output", "report", "points-report", "pairs-report", "reliability-report", "listing", "json"});
    ParseListingOptions(args);
    if (args.Has("output")) CheckSaveTarget(args.Value("output"), args, Holds::AdjustmentResults);

    LoadedNetwork network(args.positional[1], args);
    const Results given = ReadResults(false);
    SetAprioriErrors(args);
    if ((height ? zrHAdjustment(method, iterations) : zrXYAdjustment(method, iterations)) != 1) {
        throw Failure(std::string("the adjustment of the ") + KindName(height) + " failed");
    }
    Note(console, std::string("adjusted the ") + KindName(height));

    int status = 0;
    for (const ResultReport& r : kResultReports) {
        if (!args.Has(r.option)) continue;
        try {
            WriteReport(r.writer, args.Value(r.option), r.what, console);
        } catch (const Failure& failure) {
            std::fprintf(stderr, "quenvar: %s\n", failure.what());
            status = 1;  // the other reports and the network are still written
        }
    }
    if (args.Has("output")) SaveNetwork(args.Value("output"), args, Holds::AdjustmentResults, console);
    // The observations are read only for the files that list them.
    const Results results = ReadResults(args.Has("listing") || args.Has("json"));
    const std::vector<int> left = LeftOutPoints(given, results, true);
    WriteResultFiles(args, results, "adjust", left, console);
    const int incomplete = ReportLeftOut(left, results, true, args.Has("allow-incomplete"));
    return status != 0 ? status : incomplete;
}

int RunReport(const ParsedArgs& args, Console& console) {
    constexpr ResultReport summary = {"", "network", &zrReportOnNetwork, "network summary"};
    const ResultReport* kind = args.positional[0] == summary.kind ? &summary : nullptr;
    for (const ResultReport& r : kResultReports) {
        if (args.positional[0] == r.kind) kind = &r;
    }
    if (!kind) {
        throw UsageError("unknown report '" + args.positional[0] +
                         "' (use network, precision, points, pairs or reliability)");
    }
    const std::string out = args.positional.size() > 2 ? args.positional[2] : "-";
    if (!IsStdout(out)) CheckWritableLocation(out);
    LoadedNetwork network(args.positional[1], args);
    if (kind != &summary && !ReadResults().summary.adjusted) {
        throw Failure("'" + args.positional[1] + "' holds no adjustment results: save them with 'quenvar adjust ... -o " +
                      "FILE.db' and report on that file, or use 'adjust --report'");
    }
    WriteReport(kind->writer, out, kind->what, console);
    return 0;
}

int RunShow(const ParsedArgs& args, Console& /*console*/) {
    int status = 0;
    for (const std::string& path : args.positional) {
        try {
            CheckReadable(path);
            if (!PrintGbkFile(path)) throw Failure("cannot read '" + path + "'");
        } catch (const Failure& failure) {
            std::fprintf(stderr, "quenvar: %s\n", failure.what());
            status = 1;
        }
    }
    return status;
}

}  // namespace

void SetAprioriErrors(const ParsedArgs& args) {
    struct Param {
        const char* option;
        int kind;
    };
    constexpr Param params[] = {
        {"direction-sigma", 1}, {"distance-sigma", 2}, {"distance-ppm", 3}, {"level-sigma", 4}, {"trig-sigma", 5},
    };
    for (const Param& p : params) {
        if (args.Has(p.option)) {
            zrSetAdjustmentParam(p.kind, ParseNonNegative(args.Value(p.option), std::string("--") + p.option), 0);
        }
    }
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"info", "FILE", "load a network and print its summary",
         "Loads FILE (binary database, text observation file or comma-separated pair; '-' reads a\n"
         "text network from standard input) and prints the network summary: observations by kind\n"
         "and class, points by class.\n"
         "\n"
         "Example:\n"
         "  quenvar info examples/plane.txt",
         {}, 1, 1, &RunInfo},
        {"convert", "IN OUT", "save a network in the format chosen by OUT's extension",
         "Loads IN and writes it to OUT: .txt, .coo or .msm give the text observation format,\n"
         ".wco or .WCO the comma-separated pair (with a .wob observation file), '-' the text format\n"
         "on standard output, anything else the binary database. The pair holds no unknown points:\n"
         "a network with computed or adjusted coordinates is not written to it without --force.\n"
         "\n"
         "Examples:\n"
         "  quenvar convert examples/plane.txt plane.db\n"
         "  quenvar convert plane.db - --points-only",
         {{"points-only", 0, false, "", "write the points alone (text formats only)"},
          {"force", 0, false, "", "write to a format that cannot hold the computed coordinates"}},
         2, 2, &RunConvert},
        {"calc", "xy|h IN", "compute approximate coordinates (xy) or heights (h)",
         "Computes approximate coordinates of the plane network (xy) or approximate heights of the\n"
         "height network (h) from the known points and the observations, then prints the points or\n"
         "saves the whole network. A point that cannot be computed is named, and the run ends with\n"
         "exit status 3 unless --allow-incomplete is given.\n"
         "\n"
         "Examples:\n"
         "  quenvar calc xy examples/plane.txt\n"
         "  quenvar calc h examples/height.txt -o heights.txt --json heights.json",
         {{"output", 'o', true, "OUT", "save the network to OUT ('-' for the text format on standard output)"},
          {"points-only", 0, false, "", "save the points alone (text formats only)"},
          {"json", 0, true, "FILE", "write the points as JSON ('-' for standard output)"},
          {"allow-incomplete", 0, false, "", "exit 0 even when points could not be computed"},
          {"force", 0, false, "", "save to a format that cannot hold the computed coordinates"}},
         2, 2, &RunCalc},
        {"closure", "xy|h IN [REPORT]", "closure errors of loops, routes and traverses",
         "Searches the plane (xy) or height (h) network for loops and routes and writes their\n"
         "closure errors and limits to REPORT, or prints them when REPORT is missing or '-'.\n"
         "\n"
         "Example:\n"
         "  quenvar closure h examples/height.txt",
         {}, 2, 3, &RunClosure},
        {"adjust", "xy|h IN", "least-squares adjustment of the plane or height network",
         "Computes approximate values, then adjusts the plane (xy) or height (h) network of IN.\n"
         "Report, listing and JSON options take a file name, or '-' to print on standard output.\n"
         "Methods: 0 single, 1 danish, 2 snooping, 3 huber, 4 zhou, 5 multi, 6 iterated,\n"
         "7 posterior. A point that takes no part is named, and the run ends with exit status 3\n"
         "unless --allow-incomplete is given. The listing flags normalised residuals above --limit\n"
         "and tests the a-posteriori against the a-priori unit-weight error (chi-square, 95%).\n"
         "\n"
         "Examples:\n"
         "  quenvar adjust xy examples/plane.txt --direction-sigma 1.5 --listing -\n"
         "  quenvar adjust h examples/height.txt --level-sigma 2 -o height.db --json height.json\n"
         "  quenvar adjust xy examples/plane.txt --listing plane.lst --lang zh -o plane.db",
         {{"method", 'm', true, "M", "adjustment method, a number or a name (default iterated)"},
          {"iterations", 'n', true, "N", "most passes to run, 1-99 (default 5)"},
          {"direction-sigma", 0, true, "SEC", "a-priori direction error, arc-seconds"},
          {"distance-sigma", 0, true, "MM", "a-priori distance error, fixed part, millimetres"},
          {"distance-ppm", 0, true, "PPM", "a-priori distance error, proportional part, ppm"},
          {"level-sigma", 0, true, "MM", "a-priori levelling error, millimetres"},
          {"trig-sigma", 0, true, "MM", "a-priori trigonometric height error, millimetres per km"},
          {"report", 'r', true, "FILE", "write the precision report"},
          {"points-report", 0, true, "FILE", "write the point error statistics"},
          {"pairs-report", 0, true, "FILE", "write the relative (point-pair) error statistics"},
          {"reliability-report", 0, true, "FILE", "write the reliability and gross-error analysis"},
          {"listing", 'l', true, "FILE", "write the listing: coordinates, ellipses, residuals, tests (UTF-8)"},
          {"lang", 0, true, "en|zh", "language of the listing (default en)"},
          {"limit", 0, true, "W", "flag normalised residuals above W in the listing (default 3.29)"},
          {"json", 0, true, "FILE", "write the results as JSON"},
          {"output", 'o', true, "OUT", "save the adjusted network (a binary database keeps the precision)"},
          {"allow-incomplete", 0, false, "", "exit 0 even when points took no part"},
          {"force", 0, false, "", "save to a format that cannot hold the adjusted coordinates"}},
         2, 2, &RunAdjust},
        {"report", "KIND IN [OUT]", "write a report: network, precision, points, pairs, reliability",
         "Loads IN and writes the report KIND to OUT, or prints it when OUT is missing or '-'.\n"
         "precision, points and pairs need a binary database saved by 'adjust -o'; the reliability\n"
         "analysis needs the weights of the adjustment itself: use 'adjust --reliability-report'.\n"
         "\n"
         "Examples:\n"
         "  quenvar report network examples/plane.txt\n"
         "  quenvar report precision plane.db precision.txt",
         {}, 2, 3, &RunReport},
        {"show", "FILE...", "print report files written by the library as UTF-8",
         "Prints text files written by the library (GBK) on standard output as UTF-8.\n"
         "\n"
         "Example:\n"
         "  quenvar show precision.txt",
         {}, 1, 1000, &RunShow},
        EditCommand(),
        DesignCommand(),
        ClosuresCommand(),
        CheckCommand(),
        PlotCommand(),
    };
    return commands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : Commands()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

}  // namespace quenvar_cli
