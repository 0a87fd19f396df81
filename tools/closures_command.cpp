// `quenvar closures`: the closure errors of the loops, routes and traverses of a plane or height
// network, as the closure window shows them: the table on the terminal, the closure report on
// request, and a chart of every loop as an SVG file on request.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "json_output.h"
#include "network_files.h"
#include "quenvar.h"
#include "results.h"

namespace quenvar_cli {

namespace {

// Size of a chart, pixels.
constexpr int ChartWidth = 480;
constexpr int ChartHeight = 400;

struct WindowRun {
    std::string chartDir;  // empty: no charts
    int lines = 0;
    int charts = 0;
    int chartFailures = 0;
    bool shown = false;
    bool printTable = true;
    ClosureTable table;  // kept for --json
};

// The closure window as the tool shows it: the table and the standard error, then every
// loop's chart written to the chart directory.
void ShowTable(const zrResultWindow* window, void* context) {
    auto* run = static_cast<WindowRun*>(context);
    run->shown = true;
    if (run->printTable) {
        for (int i = 0; i < window->lineCount; ++i) std::printf("%s\n", GbkToUtf8(window->lines[i]).c_str());
        std::printf("%s\n", GbkToUtf8(window->extra).c_str());
    }
    run->table = {GbkToUtf8(window->caption ? window->caption : ""), GbkToUtf8(window->heading ? window->heading : ""),
                  GbkToUtf8(window->extra ? window->extra : ""), {}, {}};
    for (int line = 1; line < window->lineCount; ++line) {
        run->table.lines.push_back(GbkToUtf8(window->lines[line]));
        std::vector<std::string> details;
        const int count = window->select(window->window, line);
        for (int i = 0; i < count; ++i) {
            const char* detail = window->detail(window->window, i);
            if (detail) details.push_back(GbkToUtf8(detail));
        }
        run->table.details.push_back(details);
    }
    run->lines = window->lineCount - 1;
    if (run->chartDir.empty()) return;
    for (int line = 1; line < window->lineCount; ++line) {
        char name[32];
        std::snprintf(name, sizeof name, "/loop-%03d.svg", line);
        const std::string path = run->chartDir + name;
        window->select(window->window, line);
        // A loop without a chart (not computable, no coordinates, no extent) has no file.
        if (window->drawSvg(window->window, line, ChartWidth, ChartHeight, path.c_str()) == 1) {
            ++run->charts;
        } else if (access(path.c_str(), F_OK) == 0) {
            ++run->chartFailures;
        }
    }
}

void CheckDirectory(const std::string& dir) {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw Failure("cannot write charts to '" + dir + "': not a directory");
    }
    if (access(dir.c_str(), W_OK) != 0) throw Failure("cannot write charts to '" + dir + "': " + std::strerror(errno));
}

int RunClosures(const ParsedArgs& args, Console& console) {
    const std::string& kind = args.positional[0];
    if (kind != "xy" && kind != "h") throw UsageError("the network kind is 'xy' or 'h', not '" + kind + "'");
    const bool height = kind == "h";
    const std::string& network = args.positional[1];
    WindowRun run;
    if (args.Has("charts")) {
        run.chartDir = args.Value("charts");
        CheckDirectory(run.chartDir);
    }
    if (access(network.c_str(), R_OK) != 0) throw Failure("cannot read '" + network + "': " + std::strerror(errno));
    if (args.Has("json") && args.Value("json") != "-") CheckWritableLocation(args.Value("json"));
    run.printTable = !(args.Has("json") && args.Value("json") == "-");
    CheckInput(network, network, args);
    if (zrLoadData(network.c_str()) != 1) {
        zrFreeData();
        throw Failure("'" + network + "' is not a network file");
    }
    int status = 0;
    if (args.Has("report")) {
        const std::string report = args.Value("report");
        if ((height ? zrHCloseErrorReport : zrXYCloseErrorReport)(report.c_str()) == 1) {
            if (!console.quiet) std::fprintf(stderr, "quenvar: wrote the closure report to '%s'\n", report.c_str());
        } else {
            std::fprintf(stderr, "quenvar: no closure report written to '%s'\n", report.c_str());
            status = 1;
        }
    }
    zrSetResultWindowHook(ShowTable, &run);
    (height ? zrHCloseErrorWindow : zrXYCloseErrorWindow)();
    zrSetResultWindowHook(nullptr, nullptr);
    console.FinishProgressLine();
    if (run.shown && args.Has("json")) {
        try {
            WriteJson(ReadResults(), args.Value("json"), "closures", {}, &run.table);
        } catch (...) {
            zrFreeData();
            throw;
        }
    }
    zrFreeData();
    if (!run.shown) throw Failure("no closures were computed");
    if (!run.chartDir.empty() && !console.quiet)
        std::fprintf(stderr, "quenvar: wrote %d chart(s) of %d loop(s) to '%s'\n", run.charts, run.lines,
                     run.chartDir.c_str());
    if (run.chartFailures > 0) throw Failure("some charts could not be written");
    return status;
}

}  // namespace

Command ClosuresCommand() {
    return {"closures", "xy|h NETWORK", "closure table, report and charts of loops and traverses",
            "Computes the approximate values, searches the plane (xy) or height (h) network for\n"
            "levelling routes, direction loops, side conditions and traverses, and prints the table\n"
            "of their closures, weight reciprocals and limits (\"*\" marks a closure beyond its\n"
            "limit) with the standard error of an observation derived from the closures. Angles are\n"
            "in d.mmss. The report holds the details of every loop; a chart shows a loop north up\n"
            "as loop-NNN.svg, numbered as in the table.\n"
            "\n"
            "Examples:\n"
            "  quenvar closures h examples/height.txt\n"
            "  quenvar closures xy examples/plane.txt -r closures.txt --charts charts/ --json closures.json",
            {{"report", 'r', true, "REPORT", "write the closure report with the details of every loop"},
             {"charts", 0, true, "DIR", "write one SVG chart per loop into the directory DIR"},
             {"json", 0, true, "FILE", "write the closure table and the points as JSON ('-' for standard output)"}},
            2, 2, &RunClosures};
}

}  // namespace quenvar_cli
