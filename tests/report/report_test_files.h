// Scratch files for the report tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quenvar::testing {

// A fresh path in the test's temporary directory.
inline std::string ScratchPath(const std::string& name) {
    const auto p = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove(p);
    return p.string();
}

// A path in a directory that does not exist, so it cannot be opened for writing.
inline std::string UnopenablePath(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / "no-such-dir" / name).string();
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quenvar::testing
