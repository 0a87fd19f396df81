#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# writes their seed corpora and runs each target in turn for SECONDS seconds.
#   scripts/fuzz.sh BUILD_DIR SECONDS [TARGET...]
# The corpora grow in BUILD_DIR/corpus/TARGET across runs; crashes, hangs (over 1 s) and
# sanitizer reports are kept in BUILD_DIR/findings and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory}
seconds=${2:?seconds per target}
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text_reader csv_pair binary_loader editor_text pipeline)

QUENVAR_FUZZ_SETUP=1 ./scripts/setup.sh
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
    -DQUENVAR_FUZZ=ON -DQUENVAR_WERROR=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" -j "${JOBS:-2}" --target fuzz_seeds $(printf 'fuzz_%s ' "${targets[@]}")

root=$(cd "$build" && pwd)
"$root/fuzz/fuzz_seeds" "$root/seeds" examples/*.txt
mkdir -p "$root/findings" "$root/logs"
failed=0
for t in "${targets[@]}"; do
  mkdir -p "$root/corpus/$t"
  log="$root/logs/$t.log"
  set +e
  "$root/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout=1 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$root/findings/$t-" \
    "$root/corpus/$t" "$root/seeds/$t" </dev/null >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  corpus=$(find "$root/corpus/$t" -type f | wc -l)
  printf '%-14s %5ss  %9s executions  coverage %s edges, %s features  corpus %s  %s\n' \
    "$t" "$seconds" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$([ $rc -eq 0 ] && echo ok || echo "FINDING (see $log)")"
  [ $rc -eq 0 ] || failed=1
done
exit $failed
