#!/usr/bin/env bash
# Installs the build tools the project needs when the machine lacks them (Debian packages).
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/eigen3/Eigen/SparseCholesky ] || need+=(libeigen3-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# The fuzz targets and the clang build of CI need clang with its sanitizer and fuzzer runtimes.
if [ -n "${QUENVAR_FUZZ_SETUP:-}" ]; then
  command -v clang++-14 >/dev/null || need+=(clang-14)
  ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q "${need[@]}"
fi
