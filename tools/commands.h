// The tool's commands: each loads a network through the library, works on it and writes or
// prints the results.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "arguments.h"
#include "console.h"

namespace quenvar_cli {

// An operation that did not succeed (missing file, failed computation, unwritable output):
// reported with exit code 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Command {
    std::string name;
    std::string synopsis;     // the arguments, as shown behind "quenvar NAME"
    std::string summary;      // one line for the command list
    std::string description;  // the paragraph of the command's own help
    std::vector<OptionInfo> options;
    size_t minArgs = 0;
    size_t maxArgs = 0;
    int (*run)(const ParsedArgs& args, Console& console) = nullptr;  // exit status
};

// The command table. A command kept in a file of its own is registered by one line in the
// table, calling the function below that describes it.
const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// Stores the a-priori errors given by the options --direction-sigma, --distance-sigma,
// --distance-ppm, --level-sigma and --trig-sigma; the library fills the others.
void SetAprioriErrors(const ParsedArgs& args);

// Commands in files of their own.
Command EditCommand();
Command DesignCommand();
Command ClosuresCommand();
Command CheckCommand();
Command PlotCommand();

}  // namespace quenvar_cli
