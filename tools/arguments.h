// Command-line parsing for the tool: options with or without a value, positional arguments,
// "--" to end the options. Wrong use raises UsageError, which the tool reports with exit code 2.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace quenvar_cli {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct OptionInfo {
    std::string name;       // long name without dashes, also the key of the parsed value
    char shortName = 0;     // 0 when the option has no one-letter form
    bool takesValue = false;
    std::string valueName;  // shown in the help, e.g. "FILE"
    std::string help;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // flags are stored with an empty value

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Value(const std::string& name, const std::string& fallback = "") const;
};

// Parses args against options. With stopAtPositional the first positional argument and everything
// behind it are left unparsed in positional (used to find the command).
ParsedArgs ParseArguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& options,
                          bool stopAtPositional = false);

// A whole decimal number in [low, high]; what names the value in messages.
int ParseInteger(const std::string& text, int low, int high, const std::string& what);
// A finite decimal number not below 0.
double ParseNonNegative(const std::string& text, const std::string& what);

// Help lines for the options, aligned.
std::string FormatOptions(const std::vector<OptionInfo>& options);

}  // namespace quenvar_cli
