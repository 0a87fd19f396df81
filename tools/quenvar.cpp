// quenvar: the command-line face of the library. Loads a network file, computes approximate
// values, closures and adjustments, and writes networks and reports.
// Exit status: 0 success, 1 the operation failed or was refused, 2 the command line was wrong,
// 3 finished with points left out.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "console.h"

using namespace quenvar_cli;

namespace {

const std::vector<OptionInfo>& GlobalOptions() {
    static const std::vector<OptionInfo> options = {
        {"answer", 0, true, "yes|no", "answer the library's questions (default: ask at a terminal, else yes)"},
        {"quiet", 'q', false, "", "do not show progress texts and notes"},
        {"strict", 0, false, "", "treat input warnings as errors: nothing is computed or written"},
        {"version", 'V', false, "", "show the version and exit"},
        {"help", 'h', false, "", "show help and exit"},
    };
    return options;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: quenvar [OPTIONS] COMMAND [ARGS]\n"
                 "\n"
                 "Processes one survey control network: loads it, computes approximate coordinates and\n"
                 "heights, closures and least-squares adjustments, and writes networks and reports.\n"
                 "\n"
                 "Commands:\n");
    for (const Command& command : Commands()) {
        const std::string head = command.name + " " + command.synopsis;
        std::fprintf(out, "  %-26s %s\n", head.c_str(), command.summary.c_str());
    }
    std::fprintf(out, "  %-26s %s\n", "help [COMMAND]", "show help for a command");
    std::fprintf(out,
                 "\nOptions (also accepted after the command):\n%s"
                 "\n"
                 "Network files are recognised by their content: the binary database, the text observation\n"
                 "format or the comma-separated pair. Report files are written in GBK and printed as UTF-8.\n"
                 "Library messages appear on standard error; questions are answered by --answer, by the\n"
                 "user when standard input is a terminal, and with yes otherwise.\n"
                 "\n"
                 "Text inputs are checked first ('quenvar check'); warnings go to standard error.\n"
                 "'-' stands for standard input (a text network) and standard output (text formats,\n"
                 "reports, listings, JSON, SVG); a binary database is never written to a terminal.\n"
                 "\n"
                 "Exit status: 0 success, 1 the operation failed or was refused, 2 wrong command line,\n"
                 "3 finished with points left out (see --allow-incomplete).\n"
                 "\n"
                 "Examples:\n"
                 "  quenvar check examples/plane.txt\n"
                 "  quenvar adjust xy examples/plane.txt --direction-sigma 1.5 --listing - -o plane.db\n"
                 "  quenvar plot plane.db -o plane.svg\n",
                 FormatOptions(GlobalOptions()).c_str());
}

void PrintCommandHelp(const Command& command) {
    std::printf("Usage: quenvar %s %s%s\n\n%s\n", command.name.c_str(), command.synopsis.c_str(),
                command.options.empty() ? "" : " [OPTIONS]", command.description.c_str());
    if (!command.options.empty()) std::printf("\nOptions:\n%s", FormatOptions(command.options).c_str());
    std::printf("\nCommon options:\n%s", FormatOptions(GlobalOptions()).c_str());
}

void ApplyGlobalOptions(const ParsedArgs& args, Console& console) {
    if (args.Has("quiet")) console.quiet = true;
    if (args.Has("answer")) {
        const std::string answer = args.Value("answer");
        if (answer == "yes" || answer == "y") {
            console.answers = AnswerMode::Yes;
        } else if (answer == "no" || answer == "n") {
            console.answers = AnswerMode::No;
        } else {
            throw UsageError("--answer must be 'yes' or 'no', not '" + answer + "'");
        }
    }
}

int Run(const std::vector<std::string>& argv, Console& console, std::string& commandName) {
    const ParsedArgs global = ParseArguments(argv, GlobalOptions(), true);
    ApplyGlobalOptions(global, console);
    if (global.Has("version")) {
        std::printf("quenvar %s\n", QUENVAR_VERSION);
        return 0;
    }
    if (global.positional.empty()) {
        if (global.Has("help")) {
            PrintUsage(stdout);
            return 0;
        }
        throw UsageError("no command given");
    }
    commandName = global.positional[0];
    const std::vector<std::string> rest(global.positional.begin() + 1, global.positional.end());

    if (commandName == "help") {
        if (rest.empty()) {
            PrintUsage(stdout);
            return 0;
        }
        const Command* command = FindCommand(rest[0]);
        if (!command) throw UsageError("unknown command '" + rest[0] + "'");
        PrintCommandHelp(*command);
        return 0;
    }
    const Command* command = FindCommand(commandName);
    if (!command) {
        const std::string name = commandName;
        commandName.clear();
        throw UsageError("unknown command '" + name + "'");
    }
    std::vector<OptionInfo> options = command->options;
    options.insert(options.end(), GlobalOptions().begin(), GlobalOptions().end());
    ParsedArgs args = ParseArguments(rest, options);
    args.values.insert(global.values.begin(), global.values.end());  // options given before the command
    if (args.Has("help")) {
        PrintCommandHelp(*command);
        return 0;
    }
    ApplyGlobalOptions(args, console);
    if (args.positional.size() < command->minArgs) throw UsageError("missing arguments, expected " + command->synopsis);
    if (args.positional.size() > command->maxArgs) {
        throw UsageError("unexpected argument '" + args.positional[command->maxArgs] + "'");
    }
    console.Install();
    const int status = command->run(args, console);
    console.FinishProgressLine();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Console console;
    std::string commandName;
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc), console, commandName);
    } catch (const UsageError& error) {
        console.FinishProgressLine();
        std::fprintf(stderr, "quenvar: %s\n", error.what());
        if (!commandName.empty()) {
            const Command* command = FindCommand(commandName);
            if (command) std::fprintf(stderr, "Usage: quenvar %s %s\n", command->name.c_str(), command->synopsis.c_str());
            std::fprintf(stderr, "Try 'quenvar %s --help' for more information.\n", commandName.c_str());
        } else {
            std::fprintf(stderr, "Try 'quenvar --help' for more information.\n");
        }
        return 2;
    } catch (const std::exception& error) {
        console.FinishProgressLine();
        std::fprintf(stderr, "quenvar: %s\n", error.what());
        return 1;
    }
}
