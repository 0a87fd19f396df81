#include "ui/profile_file.h"

#include <cstdlib>
#include <fstream>

namespace quenvar {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trimmed(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && Blank(s[first])) ++first;
    while (last > first && Blank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string Limited(std::string s) {
    if (s.size() > ProfileValueLimit) s.resize(ProfileValueLimit);
    return s;
}

std::string Fallback(const char* fallback) {
    std::string s = fallback != nullptr ? fallback : "";
    while (!s.empty() && Blank(s.back())) s.pop_back();
    return Limited(s);
}

// The value part of a key line: blanks and one pair of matching quotes removed.
std::string ValueOf(const std::string& raw) {
    std::string v = Trimmed(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return Limited(v);
}

}  // namespace

std::string ReadPrivateProfileString(const std::string& path, const char* section, const char* key,
                                     const char* fallback) {
    if (section == nullptr || key == nullptr) return Fallback(fallback);
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fallback(fallback);
    const std::string wantedSection = Trimmed(section), wantedKey = Trimmed(key);
    bool inSection = false, sectionSeen = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = Trimmed(line);
        if (t.empty() || t[0] == ';') continue;
        if (t[0] == '[') {
            // Only the first section of the name counts; a later one of the same name is not read.
            const size_t close = t.find(']');
            const std::string name = Trimmed(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            if (inSection) break;
            inSection = !sectionSeen && SameName(name, wantedSection);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) continue;
        const size_t eq = t.find('=');
        const std::string name = Trimmed(t.substr(0, eq));
        if (!SameName(name, wantedKey)) continue;
        return eq == std::string::npos ? std::string() : ValueOf(t.substr(eq + 1));
    }
    return Fallback(fallback);
}

std::string ProfilePath() {
    const char* env = std::getenv("QUENVAR_PROFILE");
    if (env != nullptr && *env != '\0') return env;
    return "quenvar.ini";
}

std::string ReadProfileString(const char* section, const char* key, const char* fallback) {
    return ReadPrivateProfileString(ProfilePath(), section, key, fallback);
}

}  // namespace quenvar
