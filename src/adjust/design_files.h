// The three files through which the stages of the third-class design analysis hand on their
// results: "optim0.dat" (the cofactor matrix of the unknowns), "optim1.dat" (the weakest
// direction) and "optim2.dat" (the ratings of the observations). Integers are 16-bit and
// reals 4-byte floats, both little-endian, without padding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quenvar {

// The folder of the three files, fixed when an analysis starts, so that its stages find each
// other's files even if the process's current directory changes in between.
class DesignFiles {
public:
    explicit DesignFiles(std::string directory) : directory_(std::move(directory)) {}
    // The current directory as an absolute path ("." when it cannot be determined).
    static DesignFiles InCurrentDirectory();

    std::string MatrixPath() const { return Path("optim0.dat"); }
    std::string DirectionPath() const { return Path("optim1.dat"); }
    std::string RatingsPath() const { return Path("optim2.dat"); }

private:
    std::string Path(const char* name) const { return directory_ + "/" + name; }
    std::string directory_;
};

// Sizes of the fields and of the records, in bytes.
inline constexpr size_t DesignHeaderBytes = 2 + 4;      // n, s0
inline constexpr size_t DesignDirectionHeaderBytes = 2 + 4 + 4;  // n, s0, lambda
inline constexpr size_t DesignRatingBytes = 2 + 4 + 4;  // o, g, h

// Little-endian packing of the fields.
void PutInt16(std::vector<unsigned char>& out, int16_t value);
void PutFloat(std::vector<unsigned char>& out, float value);
int16_t GetInt16(const unsigned char* in);
float GetFloat(const unsigned char* in);

// Reads exactly count bytes; false on a short file or a read error.
bool ReadBytes(std::FILE* f, unsigned char* out, size_t count);
// Writes the bytes; false on a write error.
bool WriteBytes(std::FILE* f, const std::vector<unsigned char>& bytes);

}  // namespace quenvar
