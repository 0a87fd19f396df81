// printf-style formatting into a string of whatever length the values need.
#pragma once

#include <cstdio>
#include <string>

namespace quenvar {

template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) return {};
    std::string text(size_t(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(size_t(size));
    return text;
}

}  // namespace quenvar
