// Scratch files for the report tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quenvar::testing {

// A fresh path in the test's temporary directory; any file left there is removed.
inline std::string ScratchPath(const std::string& name) {
    const std::filesystem::path p = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove(p);
    return p.string();
}

// A path whose directory does not exist, so it cannot be opened for writing.
inline std::string UnopenablePath(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / "no-such-dir" / name).string();
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace quenvar::testing
