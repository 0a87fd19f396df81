// Text between the library (GBK, CR LF line ends) and the user's terminal and editor (the
// locale's encoding, LF line ends).
#pragma once

#include <string>

namespace quenvar {

// Text typed at the terminal converted to GBK; a character GBK lacks becomes '?'.
std::string LocalToGbk(const std::string& text);

// CR LF line ends to LF, and back (a lone LF becomes CR LF, an existing CR LF stays).
std::string ToUnixLines(const std::string& text);
std::string ToDosLines(const std::string& text);

}  // namespace quenvar
