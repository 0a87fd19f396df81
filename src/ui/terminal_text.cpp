#include "ui/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

namespace quenvar {

std::string LocalToGbk(const std::string& text) {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) codeset = "UTF-8";
    iconv_t cd = iconv_open("GBK", codeset);
    if (cd == iconv_t(-1)) return text;
    std::string in = text;
    std::string out(in.size() * 2 + 4, '\0');  // no character grows beyond two GBK bytes
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || dstLeft == 0) break;
        // Skip the whole unconvertible character: the lead byte and its continuation bytes.
        do {
            ++src;
            --srcLeft;
        } while (srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80);
        *dst++ = '?';
        --dstLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string ToUnixLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::string ToDosLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace quenvar
