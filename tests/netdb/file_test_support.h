// Support for the network file tests: a temporary directory per test, whole-file helpers and
// a one-string summary of each observation of a station's chain.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "netdb/network.h"
#include "netdb/point_lookup.h"

namespace quenvar::testing {

using Strings = std::vector<std::string>;
inline constexpr double Deg = 0.017453292519943295;

class TempDir {
public:
    TempDir() {
        static int made = 0;  // several in one test stay apart
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("quenvar-" + std::string(info->test_suite_name()) + "-" +
                                                         info->name() + "-" + std::to_string(getpid()) + "-" + std::to_string(made++));
        std::filesystem::create_directories(dir_);
    }
    ~TempDir() { std::filesystem::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

inline std::string ReadAll(const std::string& path) {
    return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}
inline void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The bytes with value stored over them at offset at, as a file record holds it.
template <typename T>
std::string Patched(std::string bytes, size_t at, T value) {
    return bytes.replace(at, sizeof value, reinterpret_cast<const char*>(&value), sizeof value);
}

// "target kind+class value", the value with 9 decimals (radians or metres).
inline std::string Row(const std::string& target, int kind, int cls, double value) {
    char row[96];
    std::snprintf(row, sizeof row, "%s %c%d %.9f", target.c_str(), KindLetters[kind], cls, value);
    return row;
}

// The observations of a station in chain order.
inline Strings Rows(const Network& net, int station) {
    Strings rows;
    for (int o = net.Point(station).firstObs; o != 0; o = net.Obs(o).next) {
        const ObsRec& r = net.Obs(o);
        rows.push_back(Row(PointName(net.Point(r.target)), KindOf(r), ObsClassOf(r), r.value));
    }
    return rows;
}

}  // namespace quenvar::testing
