#include "arguments.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace quenvar_cli {

namespace {

const OptionInfo* FindLong(const std::vector<OptionInfo>& options, const std::string& name) {
    for (const OptionInfo& option : options) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

const OptionInfo* FindShort(const std::vector<OptionInfo>& options, char name) {
    for (const OptionInfo& option : options) {
        if (option.shortName != 0 && option.shortName == name) return &option;
    }
    return nullptr;
}

}  // namespace

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

ParsedArgs ParseArguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& options,
                          bool stopAtPositional) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.positional.insert(parsed.positional.end(), args.begin() + i + 1, args.end());
            break;
        }
        // "-" alone is a positional argument (standard output where a file is asked for).
        if (arg.size() < 2 || arg[0] != '-') {
            if (stopAtPositional) {
                parsed.positional.insert(parsed.positional.end(), args.begin() + i, args.end());
                break;
            }
            parsed.positional.push_back(arg);
            continue;
        }
        const OptionInfo* option = nullptr;
        std::string shown = arg;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            if (size_t eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                hasInlineValue = true;
                name.resize(eq);
                shown = "--" + name;
            }
            option = FindLong(options, name);
        } else if (arg.size() == 2) {
            option = FindShort(options, arg[1]);
        }
        if (!option) throw UsageError("unknown option '" + shown + "'");
        if (!option->takesValue) {
            if (hasInlineValue) throw UsageError("option '" + shown + "' takes no value");
            parsed.values[option->name] = "";
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= args.size()) throw UsageError("option '" + shown + "' needs a value (" + option->valueName + ")");
            inlineValue = args[++i];
        }
        parsed.values[option->name] = inlineValue;
    }
    return parsed;
}

int ParseInteger(const std::string& text, int low, int high, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) {
        throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    }
    return static_cast<int>(value);
}

double ParseNonNegative(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0.0) {
        throw UsageError(what + " must be a number not below 0, not '" + text + "'");
    }
    return value;
}

std::string FormatOptions(const std::vector<OptionInfo>& options) {
    std::vector<std::string> heads;
    size_t width = 0;
    for (const OptionInfo& option : options) {
        std::string head = option.shortName ? std::string("-") + option.shortName + ", " : "    ";
        head += "--" + option.name;
        if (option.takesValue) head += " " + option.valueName;
        width = std::max(width, head.size());
        heads.push_back(head);
    }
    std::string out;
    for (size_t i = 0; i < options.size(); ++i) {
        out += "  " + heads[i] + std::string(width - heads[i].size() + 2, ' ') + options[i].help + "\n";
    }
    return out;
}

}  // namespace quenvar_cli
