// Shared pieces of the fuzz targets: a scratch directory to work in (the library writes its
// scratch and design files to the current directory), whole-file writes, a messenger that
// answers questions from the input, and the checks that turn a silent fault into a finding.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "netdb/database_file.h"
#include "netdb/network.h"
#include "ui/messenger.h"

namespace quenvar::fuzz {

// Moves the process into a directory of its own for the whole run.
inline void EnterScratchDirectory() {
    char dir[] = "/tmp/quenvar-fuzz-XXXXXX";
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0) {
        std::perror("scratch directory");
        std::abort();
    }
}

inline void WriteFile(const char* path, std::string_view bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Fails the run when the condition does not hold.
inline void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "quenvar fuzz check failed: %s\n", what);
    std::abort();
}

// Every message is accepted; questions are answered Yes or No by the bits of `answers`, in
// turn. A message about an internal error is a finding: it means an exception escaped.
class FuzzMessenger final : public Messenger {
public:
    explicit FuzzMessenger(uint32_t answers = 0xFFFFFFFF) : answers_(answers) {}

    int Box(const char* text, const char*, int kind) override {
        Require(std::strstr(text, "内部错误") == nullptr, text);
        if (kind != MsgQuestion) return 1;
        return (answers_ >> (asked_++ % 32)) & 1;
    }
    void Progress(const char*) override {}
    void EndProgress() override {}

private:
    uint32_t answers_;
    unsigned asked_ = 0;
};

// A loaded network must be one every other part may rely on.
inline void RequireConsistent(const Network& net) {
    Require(!net.Present() || DatabaseIsConsistent(net), "loaded network is not consistent");
}

}  // namespace quenvar::fuzz
