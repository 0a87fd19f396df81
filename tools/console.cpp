#include "console.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "quenvar.h"

namespace quenvar_cli {

namespace {

// The library's texts carry their own line ends; a box shows each line behind a bar.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

void PrintBox(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "\u256d\u2500 %s\n", caption.c_str());
    for (const std::string& line : SplitLines(text)) std::fprintf(stderr, "\u2502 %s\n", line.c_str());
}

bool ReadYesNo(bool& answer) {
    std::string line;
    while (true) {
        std::fprintf(stderr, "\u2570\u2500 [Y/n] ");
        std::fflush(stderr);
        if (!std::getline(std::cin, line)) return false;
        if (line.empty() || line == "y" || line == "Y" || line == "yes" || line == "Yes") {
            answer = true;
            return true;
        }
        if (line == "n" || line == "N" || line == "no" || line == "No") {
            answer = false;
            return true;
        }
    }
}

int Ask(Console& console) {
    if (console.answers == AnswerMode::Ask && console.stdinIsTerminal) {
        bool yes = true;
        if (ReadYesNo(yes)) return yes ? 1 : 0;
        std::fprintf(stderr, "\n");
    }
    const bool yes = console.answers != AnswerMode::No;
    std::fprintf(stderr, "\u2570\u2500 answered %s\n", yes ? "yes" : "no");
    return yes ? 1 : 0;
}

void ShowProgressText(Console& console, const std::string& text) {
    if (console.quiet) return;
    if (console.stderrIsTerminal) {
        // One line, rewritten in place.
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        std::fflush(stderr);
        console.progressOpen = true;
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

int Hook(const char* text, const char* caption, int kind, void* context) {
    Console& console = *static_cast<Console*>(context);
    const std::string body = GbkToUtf8(text ? text : "");
    switch (kind) {
        case 1: {
            std::string box = GbkToUtf8(caption ? caption : "") + '\n' + body;
            if (box == console.lastBox) {
                ++console.repeats;
                return 1;
            }
            console.FinishProgressLine();
            PrintBox(GbkToUtf8(caption ? caption : ""), body);
            std::fprintf(stderr, "\u2570\u2500\n");
            console.lastBox = std::move(box);
            return 1;
        }
        case 2:
            console.FinishProgressLine();
            PrintBox(GbkToUtf8(caption ? caption : ""), body);
            return Ask(console);
        case 4:
            ShowProgressText(console, body);
            return 1;
        case 5:
            console.FinishProgressLine();
            return 1;
        default:
            return 1;
    }
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == iconv_t(-1)) return gbk;
    std::string in = gbk;
    std::string out(in.size() * 2 + 4, '\0');  // a GBK character never more than doubles
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || dstLeft == 0) break;
        *dst++ = '?';
        --dstLeft;
        ++src;
        --srcLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string ToUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return GbkToUtf8(text);
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return GbkToUtf8(text);
        }
        i += n;
    }
    return text;
}

void Console::Install() {
    stderrIsTerminal = isatty(STDERR_FILENO) != 0;
    stdinIsTerminal = isatty(STDIN_FILENO) != 0;
    zrSetMessageHook(&Hook, this);
}

void Console::FinishProgressLine() {
    if (progressOpen) std::fprintf(stderr, "\n");
    progressOpen = false;
    if (repeats > 0) std::fprintf(stderr, "  (the same message %ld more times)\n", repeats);
    repeats = 0;
    lastBox.clear();
}

bool PrintGbkFile(const std::string& path, bool endLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string gbk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string text = GbkToUtf8(gbk);
    bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (endLine && !text.empty() && text.back() != '\n') written = std::fputc('\n', stdout) != EOF && written;
    return std::fflush(stdout) == 0 && written;
}

}  // namespace quenvar_cli
