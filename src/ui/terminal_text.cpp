#include "ui/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

namespace quenvar {

namespace {

// The terminal's code set; the plain C locale is taken as UTF-8.
const char* LocalCodeset() {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) return "UTF-8";
    return codeset;
}

// Text converted from one iconv code set to another (unchanged when no conversion is available).
// Each piece of input that cannot be converted becomes one '?': a single byte, or with
// wholeCharacters a lead byte together with its UTF-8 continuation bytes.
std::string Recode(const std::string& text, const char* to, const char* from, bool wholeCharacters) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) return text;
    std::string in = text;
    std::string out(in.size() * 4 + 4, '\0');  // room for the widest conversion, GBK to UTF-8
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || dstLeft == 0) break;
        do {
            ++src;
            --srcLeft;
        } while (wholeCharacters && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80);
        *dst++ = '?';
        --dstLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

std::string GbkToLocal(const char* text) { return GbkTo(LocalCodeset(), text); }

std::string GbkToUtf8(const char* text) { return GbkTo("UTF-8", text); }

std::string GbkTo(const char* codeset, const char* text) { return Recode(text ? text : "", codeset, "GBK", false); }

std::string LocalToGbk(const std::string& text) { return Recode(text, "GBK", LocalCodeset(), true); }

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
