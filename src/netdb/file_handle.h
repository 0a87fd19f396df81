// A C stream closed when it goes out of scope, and the checked close of a stream that was
// written: a write that failed or was cut short anywhere on the way (a full disk, a broken
// pipe) shows up as the stream's error flag or as a failing flush or close.
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

// Flushes and closes a written stream; true only when every write reached the file.
inline bool CloseWritten(FileHandle& file) {
    std::FILE* f = file.release();
    if (f == nullptr) return false;
    const bool written = std::fflush(f) == 0 && std::ferror(f) == 0;
    return std::fclose(f) == 0 && written;
}

}  // namespace quenvar
