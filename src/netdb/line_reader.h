// Line input of the text formats. A line is read in pieces of at most 99 characters, as a
// 100-character line buffer would take it; CR LF and LF both end a line and both arrive as
// "\n", so a file reads the same whichever line end it was written with.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quenvar {

class LineReader {
public:
    static constexpr size_t MaxPiece = 99;

    explicit LineReader(std::FILE* file) : file_(file) {}
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next piece, line end included when it fits; false at end of input. The piece ends
    // at a NUL byte as a C string would.
    bool Next(std::string& piece);

private:
    int Get();
    void Unget(int c);

    std::FILE* file_ = nullptr;
    std::string_view text_;
    size_t pos_ = 0;
    int pending_ = EOF;  // a character read ahead and not used yet
};

// Replaces the separator characters ",()[]{};:|\t'\"" by blanks.
void BlankSeparators(std::string& line);
// Position of the first non-blank character.
size_t SkipBlanks(const std::string& line, size_t from = 0);

}  // namespace quenvar
