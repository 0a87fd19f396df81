#include "network_files.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "commands.h"
#include "quenvar.h"
#include "quenvar_check.hpp"

namespace quenvar_cli {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The library chooses the format by the last four characters of the path.
enum class Format { Text, Pair, Binary };
Format FormatOf(const std::string& path) {
    if (path == "-") return Format::Text;
    if (path.size() <= 4) return Format::Binary;
    const std::string ext = path.substr(path.size() - 4);
    const std::string lower = Lower(ext);
    if (lower == ".txt" || lower == ".coo" || lower == ".msm") return Format::Text;
    if (ext == ".WCO" || ext == ".wco") return Format::Pair;
    return Format::Binary;
}

// An existing path that is a terminal (/dev/tty, /dev/stdout on a terminal).
bool IsTerminal(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool terminal = isatty(fd) != 0;
    close(fd);
    return terminal;
}

// The file's bytes on standard output; false when it cannot be read or written.
bool CopyToStdout(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

}  // namespace

bool IsStdout(const std::string& path) { return path.empty() || path == "-"; }

void CheckReadable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw Failure("cannot read '" + path + "': " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw Failure("cannot read '" + path + "': it is a directory");
    if (access(path.c_str(), R_OK) != 0) throw Failure("cannot read '" + path + "': " + std::strerror(errno));
}

void CheckWritableLocation(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw Failure("cannot write '" + path + "': directory '" + dir + "' does not exist");
    }
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw Failure("cannot write '" + path + "': it is a directory");
}

void Note(const Console& console, const std::string& text) {
    if (!console.quiet) std::fprintf(stderr, "quenvar: %s\n", text.c_str());
}

TempFile::TempFile(const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/quenvar-XXXXXX" + suffix;
    const int fd = mkstemps(path_.data(), static_cast<int>(std::strlen(suffix)));
    if (fd < 0) throw Failure("cannot create a temporary file in '" + path_ + "': " + std::strerror(errno));
    close(fd);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

int PrintInputWarnings(const std::string& path, const std::string& shown, std::FILE* stream) {
    const std::vector<quenvar::InputWarning> warnings = quenvar::CheckNetworkFile(path);
    for (const quenvar::InputWarning& w : warnings) {
        const std::string file = w.file == path ? shown : w.file;
        const std::string where = w.line > 0 ? file + ":" + std::to_string(w.line) : file;
        std::fprintf(stream, "%s: warning: %s\n", where.c_str(), ToUtf8(w.message).c_str());
        if (w.line > 0) std::fprintf(stream, "    | %s\n", ToUtf8(w.text).c_str());
    }
    return int(warnings.size());
}

void CheckInput(const std::string& path, const std::string& shown, const ParsedArgs& args) {
    const int warnings = PrintInputWarnings(path, shown, stderr);
    if (warnings > 0 && args.Has("strict")) {
        throw Failure(shown + ": " + std::to_string(warnings) +
                      " warning(s) and --strict: nothing computed or written; correct the lines above");
    }
}

LoadedNetwork::LoadedNetwork(const std::string& path, const ParsedArgs& args) {
    std::string file = path;
    if (path == "-") {
        // Standard input is kept in a temporary file: the library reads files by name.
        stdinCopy_ = std::make_unique<TempFile>(".txt");
        const std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        std::ofstream(stdinCopy_->Path(), std::ios::binary) << bytes;
        file = stdinCopy_->Path();
    } else {
        CheckReadable(path);
    }
    const std::string shown = path == "-" ? "<stdin>" : path;
    CheckInput(file, shown, args);
    if (zrLoadData(file.c_str()) != 1) {
        zrFreeData();
        throw Failure("'" + shown + "' is not a network file (binary database, text observation file or comma-separated pair)");
    }
}

LoadedNetwork::~LoadedNetwork() { zrFreeData(); }

void CheckSaveTarget(const std::string& out, const ParsedArgs& args, Holds holds) {
    const Format format = FormatOf(out);
    if (args.Has("points-only") && format != Format::Text) {
        throw UsageError("--points-only applies to the text formats (.txt, .coo, .msm, or '-'), not to '" + out + "'");
    }
    if (out != "-") {
        CheckWritableLocation(out);
        if (format == Format::Binary && IsTerminal(out)) {
            throw Failure("will not write a binary database to the terminal '" + out + "'; use '-' for the text format");
        }
    }
    if (format == Format::Pair && holds != Holds::Observations && !args.Has("force")) {
        throw Failure("the comma-separated pair '" + out +
                      "' holds only known points, azimuths, connections, directions and distances: the computed "
                      "coordinates would be lost. Save to .txt or a binary database, or give --force");
    }
}

void SaveNetwork(const std::string& out, const ParsedArgs& args, Holds holds, Console& console) {
    const int pointsOnly = args.Has("points-only") ? 1 : 0;
    if (out == "-") {
        TempFile temp(".txt");
        if (zrSaveData(temp.Path().c_str(), pointsOnly) != 1) throw Failure("could not produce the network text");
        console.FinishProgressLine();
        if (!CopyToStdout(temp.Path())) throw Failure("could not write the network to standard output");
        return;
    }
    if (zrSaveData(out.c_str(), pointsOnly) != 1) throw Failure("could not write '" + out + "' (is the disk full?)");
    if (holds == Holds::AdjustmentResults && FormatOf(out) == Format::Text) {
        Note(console, "saved the adjusted network to '" + out +
                          "'; the text format keeps coordinates but not their precision (a binary database keeps both)");
    } else {
        Note(console, "saved the network to '" + out + "'");
    }
}

void WriteReport(ReportWriter writer, const std::string& out, const std::string& what, Console& console) {
    if (IsStdout(out)) {
        TempFile temp(".txt");
        if (writer(temp.Path().c_str()) != 1) throw Failure("could not produce the " + what);
        console.FinishProgressLine();
        if (!PrintGbkFile(temp.Path(), true)) throw Failure("could not print the " + what);
        return;
    }
    if (writer(out.c_str()) != 1) throw Failure("could not write the " + what + " to '" + out + "'");
    Note(console, "wrote the " + what + " to '" + out + "'");
}

}  // namespace quenvar_cli
