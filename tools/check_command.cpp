// `quenvar check`: the input checker's warnings for network files, without loading them.
#include <cstdio>

#include "commands.h"
#include "network_files.h"

namespace quenvar_cli {

namespace {

int RunCheck(const ParsedArgs& args, Console& /*console*/) {
    int warnings = 0;
    for (const std::string& path : args.positional) {
        CheckReadable(path);
        const int found = PrintInputWarnings(path, path, stdout);
        if (found == 0 && !args.Has("quiet")) std::printf("%s: no warnings\n", path.c_str());
        warnings += found;
    }
    std::fflush(stdout);
    return warnings > 0 ? 1 : 0;
}

}  // namespace

Command CheckCommand() {
    return {"check", "FILE...", "check text networks for lines the reader would misread",
            "Reads each text network (or comma-separated pair) line by line as the library would\n"
            "and reports, with the file name, the line number and the line: names longer than the\n"
            "5-byte field (and the points they merge with), names cut inside a multi-byte character,\n"
            "fields that are not numbers, minutes or seconds of 60 or more, points given twice with\n"
            "other values, lines of the wrong shape, and names used once that look like a typo.\n"
            "Every command that reads a text file runs these checks first (warnings on standard\n"
            "error; --strict makes them fail the command). Exit status 1 when there are warnings.\n"
            "\n"
            "Example:\n"
            "  quenvar check examples/plane.txt",
            {}, 1, 1000, &RunCheck};
}

}  // namespace quenvar_cli
