#include "adjust/design_files.h"

#include <bit>
#include <filesystem>

namespace quenvar {

DesignFiles DesignFiles::InCurrentDirectory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return DesignFiles(error ? std::string(".") : here.string());
}

void PutInt16(std::vector<unsigned char>& out, int16_t value) {
    const auto u = uint16_t(value);
    out.push_back(static_cast<unsigned char>(u & 0xFF));
    out.push_back(static_cast<unsigned char>(u >> 8));
}

void PutFloat(std::vector<unsigned char>& out, float value) {
    const auto u = std::bit_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>((u >> shift) & 0xFF));
}

int16_t GetInt16(const unsigned char* in) { return int16_t(uint16_t(in[0] | (in[1] << 8))); }

float GetFloat(const unsigned char* in) {
    const uint32_t u = uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
    return std::bit_cast<float>(u);
}

bool ReadBytes(std::FILE* f, unsigned char* out, size_t count) { return std::fread(out, 1, count, f) == count; }

bool WriteBytes(std::FILE* f, const std::vector<unsigned char>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

}  // namespace quenvar
