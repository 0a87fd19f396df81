#include "netdb/line_reader.h"

#include <cstring>

namespace quenvar {

int LineReader::Get() {
    if (pending_ != EOF) {
        const int c = pending_;
        pending_ = EOF;
        return c;
    }
    if (file_ != nullptr) return std::getc(file_);
    return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_++]) : EOF;
}

void LineReader::Unget(int c) { pending_ = c; }

bool LineReader::Next(std::string& piece) {
    piece.clear();
    while (piece.size() < MaxPiece) {
        int c = Get();
        if (c == EOF) break;
        if (c == '\r') {
            const int after = Get();
            if (after == '\n') {
                c = '\n';
            } else {
                Unget(after);
            }
        }
        piece.push_back(char(c));
        if (c == '\n') break;
    }
    if (piece.empty()) return false;
    piece.resize(std::strlen(piece.c_str()));
    return true;
}

void BlankSeparators(std::string& line) {
    for (char& c : line) {
        if (c != '\0' && std::strchr(",()[]{};:|\t'\"", c) != nullptr) c = ' ';
    }
}

size_t SkipBlanks(const std::string& line, size_t from) {
    while (from < line.size() && line[from] == ' ') ++from;
    return from;
}

}  // namespace quenvar
