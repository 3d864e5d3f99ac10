#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time.
#   tools/fuzz.sh [SECONDS] [BUILD_FOLDER] [TARGET...]
# The build folder (default build-fuzz) is configured with clang and
# POLCOZO_FUZZ=ON when it has no cache yet. Each target starts from its seed
# corpus in tests/fuzz/corpus and its past faults in tests/fuzz/regressions;
# what it learns stays in the build folder. An input that fails is saved
# under BUILD_FOLDER/fuzz/artifacts; copied into tests/fuzz/regressions/TARGET,
# it is replayed by every build's ctest.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_settings fuzz_like fuzz_filenames fuzz_jetreader fuzz_archivelisting)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DPOLCOZO_FUZZ=ON
fi
cmake --build "$build" -j2 --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
failed=""
for t in "${targets[@]}"; do
  work="$build/fuzz/corpus/$t"
  artifacts="$build/fuzz/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  seeds=()
  for d in tests/fuzz/corpus/$t tests/fuzz/regressions/$t; do
    [ -d "$d" ] && seeds+=("$d")
  done
  echo "== $t: ${seconds} s"
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$work" "${seeds[@]}" > "$build/fuzz/$t.log" 2>&1; then
    tail -40 "$build/fuzz/$t.log"
    failed="$failed $t"
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/fuzz/$t.log" || true
  fi
done
if [ -n "$failed" ]; then
  echo "Fuzz targets that found a fault:$failed (inputs under $build/fuzz/artifacts)"
  exit 1
fi
