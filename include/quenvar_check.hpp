// quenvar input checker (C++): reads a text network file, or a comma-separated pair, line by
// line as the library would and reports what the format accepts without a word but the user
// almost certainly did not mean: names cut to the 5-byte field, fields that are not numbers,
// minutes or seconds of 60 or more, points given twice, lines of the wrong shape, and names
// used once that look like a typo of another. It changes nothing and reads nothing into the
// network; the library reads the same file exactly as before.
#ifndef QUENVAR_CHECK_HPP
#define QUENVAR_CHECK_HPP

#include <string>
#include <vector>

#include "quenvar.h"

namespace quenvar {

struct InputWarning {
    std::string file;     // the file the line is in (the pair has two)
    int line = 0;         // 1-based line number; 0 for the file as a whole
    std::string text;     // the line as it is in the file, without its line end (file bytes)
    std::string message;  // what is wrong and what the library will make of it (English)
};

// Checks the file at path: a text network, or a comma-separated control file with its
// observation file. A binary database, or a file that cannot be read, gives no warnings.
QUENVAR_API std::vector<InputWarning> CheckNetworkFile(const std::string& path);

// Checks a text network held in memory; name is used as the file name of the warnings.
QUENVAR_API std::vector<InputWarning> CheckNetworkText(const std::string& text, const std::string& name);

}  // namespace quenvar

#endif  // QUENVAR_CHECK_HPP
