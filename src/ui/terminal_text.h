// Text between the library (GBK, CR LF line ends) and the user's terminal and editor (the
// locale's encoding, LF line ends).
#pragma once

#include <string>

namespace quenvar {

// GBK text converted to the terminal's encoding (unchanged when no conversion is available).
std::string GbkToLocal(const char* text);
// GBK text as UTF-8, for files that are read as UTF-8.
std::string GbkToUtf8(const char* text);
// GBK text in the given iconv code set; a byte that is not GBK becomes '?'.
std::string GbkTo(const char* codeset, const char* text);

// Text typed at the terminal converted to GBK; a character GBK lacks becomes '?'.
std::string LocalToGbk(const std::string& text);

// CR LF line ends to LF, and back (a lone LF becomes CR LF, an existing CR LF stays).
std::string ToUnixLines(const std::string& text);
std::string ToDosLines(const std::string& text);

}  // namespace quenvar
