// A C stream closed when it goes out of scope.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quenvar {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle OpenFile(const std::string& path, const char* mode) {
    return FileHandle(std::fopen(path.c_str(), mode));
}

}  // namespace quenvar
