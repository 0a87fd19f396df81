// Files of the tool's commands: the network loaded through the library (checked first when it
// is a text file, "-" for standard input), networks and reports saved through it ("-" for
// standard output), and the rules that keep results from being lost on the way.
#pragma once

#include <memory>
#include <string>

#include "arguments.h"
#include "console.h"
#include "quenvar.h"

namespace quenvar_cli {

using ReportWriter = int (*)(const char* path);

bool IsStdout(const std::string& path);
void CheckReadable(const std::string& path);
// Checked before any work is done, so that a mistyped output path does not waste a computation.
void CheckWritableLocation(const std::string& path);
// A note on standard error, unless --quiet.
void Note(const Console& console, const std::string& text);

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const char* suffix);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Prints the input checker's warnings for a text file on standard error; with --strict any
// warning is a Failure. "-" is read from standard input into a temporary file first.
class LoadedNetwork {
public:
    LoadedNetwork(const std::string& path, const ParsedArgs& args);
    ~LoadedNetwork();
    LoadedNetwork(const LoadedNetwork&) = delete;
    LoadedNetwork& operator=(const LoadedNetwork&) = delete;

private:
    std::unique_ptr<TempFile> stdinCopy_;
};

// Prints the checker's warnings for path (shown as `shown`) on stream; their number.
int PrintInputWarnings(const std::string& path, const std::string& shown, std::FILE* stream);
// Runs the checker on an input file before a command reads it: warnings on standard error, a
// Failure when there are any and --strict is given.
void CheckInput(const std::string& path, const std::string& shown, const ParsedArgs& args);

// What the network to be saved holds beyond its observations.
enum class Holds { Observations, ComputedPoints, AdjustmentResults };

// Checks an output for a save before any work: --points-only only with a text format, and a
// format that cannot hold the results only with --force. Usage errors and Failures.
void CheckSaveTarget(const std::string& out, const ParsedArgs& args, Holds holds);
// Saves the network to out ("-": the text format on standard output).
void SaveNetwork(const std::string& out, const ParsedArgs& args, Holds holds, Console& console);
// Lets writer write a report to out, or, for "-" or no path, prints it on standard output.
void WriteReport(ReportWriter writer, const std::string& out, const std::string& what, Console& console);

// The reports on an adjusted or designed network: the option that asks for each after the
// computation, its kind for 'quenvar report', the library's writer and its name in messages.
struct ResultReport {
    const char* option;
    const char* kind;
    ReportWriter writer;
    const char* what;
};
inline constexpr ResultReport kResultReports[] = {
    {"report", "precision", &zrReportOnAdjusetment, "precision report"},
    {"points-report", "points", &zrReportOnPointAdj, "point error report"},
    {"pairs-report", "pairs", &zrReportOnObserveAdj, "relative error report"},
    {"reliability-report", "reliability", &zrRawAnalyseAfterAdj, "reliability report"},
};

}  // namespace quenvar_cli
