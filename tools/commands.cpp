#include "commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "quenvar.h"

namespace quenvar_cli {

namespace {

using ReportWriter = int (*)(const char* path);

// ---- Files ---------------------------------------------------------------------------------

void CheckReadable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        throw Failure("cannot read '" + path + "': " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) throw Failure("cannot read '" + path + "': it is a directory");
    if (access(path.c_str(), R_OK) != 0) {
        throw Failure("cannot read '" + path + "': " + std::strerror(errno));
    }
}

// Checked before any work is done, so that a mistyped output path does not waste a computation.
void CheckWritableLocation(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw Failure("cannot write '" + path + "': directory '" + dir + "' does not exist");
    }
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        throw Failure("cannot write '" + path + "': it is a directory");
    }
}

bool IsStdout(const std::string& path) { return path.empty() || path == "-"; }

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const char* suffix) {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/quenvar-XXXXXX" + suffix;
        const int fd = mkstemps(path_.data(), static_cast<int>(std::strlen(suffix)));
        if (fd < 0) throw Failure("cannot create a temporary file in '" + path_ + "': " + std::strerror(errno));
        close(fd);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The library's network, loaded from a file and released when the object goes.
class LoadedNetwork {
public:
    explicit LoadedNetwork(const std::string& path) {
        CheckReadable(path);
        if (zrLoadData(path.c_str()) != 1) {
            zrFreeData();
            throw Failure("'" + path +
                          "' is not a network file (binary database, text observation file or "
                          "comma-separated pair)");
        }
    }
    ~LoadedNetwork() { zrFreeData(); }
    LoadedNetwork(const LoadedNetwork&) = delete;
    LoadedNetwork& operator=(const LoadedNetwork&) = delete;
};

void Note(const Console& console, const std::string& text) {
    if (!console.quiet) std::fprintf(stderr, "quenvar: %s\n", text.c_str());
}

// Lets writer write a report to out, or, for "-" or no path, prints it on standard output.
void WriteReport(ReportWriter writer, const std::string& out, const std::string& what, Console& console) {
    if (IsStdout(out)) {
        TempFile temp(".txt");
        if (writer(temp.Path().c_str()) != 1) throw Failure("could not produce the " + what);
        console.FinishProgressLine();
        PrintGbkFile(temp.Path(), true);
        return;
    }
    if (writer(out.c_str()) != 1) throw Failure("could not write the " + what + " to '" + out + "'");
    Note(console, "wrote the " + what + " to '" + out + "'");
}

void SaveNetwork(const std::string& out, bool pointsOnly, Console& console) {
    if (zrSaveData(out.c_str(), pointsOnly ? 1 : 0) != 1) throw Failure("could not write '" + out + "'");
    Note(console, "saved the network to '" + out + "'");
}

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
    for (const char* option : options) {
        const std::string out = args.Value(option);
        if (args.Has(option) && !IsStdout(out)) CheckWritableLocation(out);
    }
}

// ---- Commands ------------------------------------------------------------------------------

int RunInfo(const ParsedArgs& args, Console& console) {
    LoadedNetwork network(args.positional[0]);
    WriteReport(&zrReportOnNetwork, "-", "network summary", console);
    return 0;
}

int RunConvert(const ParsedArgs& args, Console& console) {
    const std::string& out = args.positional[1];
    CheckWritableLocation(out);
    LoadedNetwork network(args.positional[0]);
    SaveNetwork(out, args.Has("points-only"), console);
    return 0;
}

int RunCalc(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    RequireOutputs(args, {"output"});
    LoadedNetwork network(args.positional[1]);
    if ((height ? zrHCalculate() : zrXYCalculate()) != 1) {
        throw Failure(std::string("the approximate calculation of the ") + KindName(height) + " did not finish");
    }
    const std::string out = args.Value("output");
    if (!IsStdout(out)) {
        SaveNetwork(out, false, console);
        return 0;
    }
    TempFile temp(".txt");
    if (zrSaveData(temp.Path().c_str(), 1) != 1) throw Failure("could not list the computed points");
    console.FinishProgressLine();
    PrintGbkFile(temp.Path());
    return 0;
}

int RunClosure(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    const std::string out = args.positional.size() > 2 ? args.positional[2] : "-";
    if (!IsStdout(out)) CheckWritableLocation(out);
    LoadedNetwork network(args.positional[1]);
    WriteReport(height ? &zrHCloseErrorReport : &zrXYCloseErrorReport, out,
                std::string("closure report of the ") + KindName(height), console);
    return 0;
}

// Stores the a-priori errors given on the command line; the library fills the others.
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

int RunAdjust(const ParsedArgs& args, Console& console) {
    const bool height = ParseNetworkKind(args.positional[0]);
    const int method = ParseMethod(args.Value("method", "iterated"));
    const int iterations = ParseInteger(args.Value("iterations", "5"), 1, 99, "--iterations");
    for (const char* option : {"direction-sigma", "distance-sigma", "distance-ppm", "level-sigma", "trig-sigma"}) {
        if (args.Has(option)) ParseNonNegative(args.Value(option), std::string("--") + option);
    }
    RequireOutputs(args, {"output", "report", "points-report", "pairs-report", "reliability-report"});

    LoadedNetwork network(args.positional[1]);
    SetAprioriErrors(args);
    if ((height ? zrHAdjustment(method, iterations) : zrXYAdjustment(method, iterations)) != 1) {
        throw Failure(std::string("the adjustment of the ") + KindName(height) + " failed");
    }
    Note(console, std::string("adjusted the ") + KindName(height));

    struct Report {
        const char* option;
        ReportWriter writer;
        const char* what;
    };
    constexpr Report reports[] = {
        {"report", &zrReportOnAdjusetment, "precision report"},
        {"points-report", &zrReportOnPointAdj, "point error report"},
        {"pairs-report", &zrReportOnObserveAdj, "relative error report"},
        {"reliability-report", &zrRawAnalyseAfterAdj, "reliability report"},
    };
    int status = 0;
    for (const Report& r : reports) {
        if (!args.Has(r.option)) continue;
        try {
            WriteReport(r.writer, args.Value(r.option), r.what, console);
        } catch (const Failure& failure) {
            std::fprintf(stderr, "quenvar: %s\n", failure.what());
            status = 1;  // the other reports and the network are still written
        }
    }
    if (args.Has("output")) SaveNetwork(args.Value("output"), false, console);
    return status;
}

int RunReport(const ParsedArgs& args, Console& console) {
    struct Kind {
        const char* name;
        ReportWriter writer;
        const char* what;
    };
    constexpr Kind kinds[] = {
        {"network", &zrReportOnNetwork, "network summary"},
        {"precision", &zrReportOnAdjusetment, "precision report"},
        {"points", &zrReportOnPointAdj, "point error report"},
        {"pairs", &zrReportOnObserveAdj, "relative error report"},
        {"reliability", &zrRawAnalyseAfterAdj, "reliability report"},
    };
    const Kind* kind = nullptr;
    for (const Kind& k : kinds) {
        if (args.positional[0] == k.name) kind = &k;
    }
    if (!kind) {
        throw UsageError("unknown report '" + args.positional[0] +
                         "' (use network, precision, points, pairs or reliability)");
    }
    const std::string out = args.positional.size() > 2 ? args.positional[2] : "-";
    if (!IsStdout(out)) CheckWritableLocation(out);
    LoadedNetwork network(args.positional[1]);
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

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"info", "FILE", "load a network and print its summary",
         "Loads FILE (binary database, text observation file or comma-separated pair) and prints\n"
         "the network summary: observations by kind and class, points by class.",
         {}, 1, 1, &RunInfo},
        {"convert", "IN OUT", "save a network in the format chosen by OUT's extension",
         "Loads IN and writes it to OUT: .txt, .coo or .msm give the text observation format,\n"
         ".wco or .WCO the comma-separated pair (with a .wob observation file), anything else the\n"
         "binary database.",
         {{"points-only", 0, false, "", "write the points alone (text format only)"}}, 2, 2, &RunConvert},
        {"calc", "xy|h IN", "compute approximate coordinates (xy) or heights (h)",
         "Computes approximate coordinates of the plane network (xy) or approximate heights of the\n"
         "height network (h) from the known points and the observations, then prints the points or\n"
         "saves the whole network.",
         {{"output", 'o', true, "OUT", "save the network to OUT instead of printing the points"}}, 2, 2, &RunCalc},
        {"closure", "xy|h IN [REPORT]", "closure errors of loops, routes and traverses",
         "Searches the plane (xy) or height (h) network for loops and routes and writes their\n"
         "closure errors and limits to REPORT, or prints them when REPORT is missing or '-'.",
         {}, 2, 3, &RunClosure},
        {"adjust", "xy|h IN", "least-squares adjustment of the plane or height network",
         "Computes approximate values, then adjusts the plane (xy) or height (h) network of IN.\n"
         "Report options take a file name, or '-' to print the report. Methods: 0 single,\n"
         "1 danish, 2 snooping, 3 huber, 4 zhou, 5 multi, 6 iterated, 7 posterior.",
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
          {"output", 'o', true, "OUT", "save the adjusted network"}},
         2, 2, &RunAdjust},
        {"report", "KIND IN [OUT]", "write a report: network, precision, points, pairs, reliability",
         "Loads IN and writes the report KIND to OUT, or prints it when OUT is missing or '-'.\n"
         "precision, points and pairs need a binary database saved by 'adjust -o'; the reliability\n"
         "analysis needs the weights of the adjustment itself: use 'adjust --reliability-report'.",
         {}, 2, 3, &RunReport},
        {"show", "FILE...", "print report files written by the library as UTF-8",
         "Prints text files written by the library (GBK) on standard output as UTF-8.", {}, 1, 1000, &RunShow},
        EditCommand(),
        DesignCommand(),
        ClosuresCommand(),
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
