// `quenvar edit`: the library's adjustment window on a network file. At a terminal its text
// opens in the user's editor and its buttons and dialogs are keyed menus; without a terminal
// every window is accepted as shown, which makes the command a batch adjustment.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands.h"
#include "network_files.h"
#include "quenvar.h"

namespace quenvar_cli {

namespace {

int RunEdit(const ParsedArgs& args, Console& console) {
    const std::string& network = args.positional[0];
    const std::string& output = args.positional[1];
    if (access(network.c_str(), R_OK) != 0) {
        throw Failure("cannot read '" + network + "': " + std::strerror(errno));
    }
    CheckInput(network, network, args);
    const int result = OnTextEditor(network.c_str(), output.c_str());
    console.FinishProgressLine();
    if (result != 1) {
        throw Failure("the adjustment window was closed without saving; '" + output + "' was not written");
    }
    if (access(output.c_str(), F_OK) != 0) throw Failure("could not write '" + output + "'");
    if (!console.quiet) std::fprintf(stderr, "quenvar: saved the adjusted network to '%s'\n", output.c_str());
    return 0;
}

}  // namespace

Command EditCommand() {
    return {"edit", "NETWORK OUTPUT", "edit and adjust a network in the adjustment window",
            "Shows NETWORK as text in the adjustment window. Its buttons read the edited text back\n"
            "and compute the plane or height closures, or adjust the plane network (with the method\n"
            "dialog) and then the heights; when the results are accepted the network is saved to\n"
            "OUTPUT in the format its extension chooses (a text file gets the points alone, with\n"
            "their adjusted coordinates and heights). At a terminal the text opens in $VISUAL or\n"
            "$EDITOR and the windows are keyed menus; with standard input not a terminal every\n"
            "window is accepted as shown (a batch adjustment) and --answer decides the save\n"
            "question. Exit status 1 when nothing was saved.\n"
            "\n"
            "Example:\n"
            "  quenvar edit examples/survey.txt survey-adjusted.txt",
            {}, 2, 2, &RunEdit};
}

}  // namespace quenvar_cli
