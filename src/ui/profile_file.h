// Reading settings from a private profile (INI) file: "[section]" lines open sections,
// "key=value" lines hold the values, lines starting with ';' are comments. The library's one
// external setting (the design parameters of the reliability analysis) lives in such a file.
#pragma once

#include <string>

namespace quenvar {

// The largest value returned, in bytes: a longer value is cut to this length, as a profile
// read into a buffer of 4096 bytes (with its terminator) would be.
inline constexpr size_t ProfileValueLimit = 4095;

// The value of key in section of the profile file at path. Section and key names match
// without regard to ASCII case and to blanks around them; the first matching section and, in
// it, the first matching key win. Blanks around the value are removed, and one pair of
// matching quotes ('' or "") around it. When the file, the section or the key is missing, the
// default is returned without its trailing blanks (a null default counts as empty).
std::string ReadPrivateProfileString(const std::string& path, const char* section, const char* key,
                                     const char* fallback);

// The library's profile file: the path in the environment variable QUENVAR_PROFILE when it
// is set and not empty, else "quenvar.ini" in the current directory.
std::string ProfilePath();

// ReadPrivateProfileString on the library's profile file.
std::string ReadProfileString(const char* section, const char* key, const char* fallback);

}  // namespace quenvar
