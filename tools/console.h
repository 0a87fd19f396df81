// Terminal side of the command-line tool: GBK text from the library shown as UTF-8, the
// library's boxes and progress texts on standard error, and its questions answered from the
// command line or by the user at the terminal.
#pragma once

#include <string>

namespace quenvar_cli {

// GBK bytes as UTF-8; a byte sequence that is not GBK becomes '?'. Unchanged when the system
// has no GBK converter.
std::string GbkToUtf8(const std::string& gbk);

// Text from a file or the library as UTF-8: unchanged when it already is UTF-8, else read as GBK.
std::string ToUtf8(const std::string& text);

enum class AnswerMode { Ask, Yes, No };

// State of the message hook: how questions are answered and whether a progress line is open.
struct Console {
    AnswerMode answers = AnswerMode::Ask;
    bool quiet = false;         // progress texts are not shown
    bool progressOpen = false;  // a progress line is on the terminal without its line end
    bool stderrIsTerminal = false;
    bool stdinIsTerminal = false;
    // The last information box shown, and how often the library has shown it again since: a
    // run of the same box (one for each refused observation of a long file) is printed once
    // with its count.
    std::string lastBox;
    long repeats = 0;

    // Installs this console as the library's message hook.
    void Install();
    // Ends an open progress line, and a run of repeated boxes with its count, so that further
    // output starts on a fresh line.
    void FinishProgressLine();
};

// Prints a text file written by the library (GBK) to standard output as UTF-8, with a final line
// end added when endLine is set and the text lacks one. False when the file cannot be read or
// standard output cannot be written.
bool PrintGbkFile(const std::string& path, bool endLine = false);

}  // namespace quenvar_cli
