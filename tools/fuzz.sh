#!/usr/bin/env bash
# Runs every fuzz program of a sanitized build (default ./build-asan) for a
# bounded time, several at once, starting from the corpus in fuzz/corpus/.
# New inputs stay in the build folder; a crash leaves its input in
# <build>/fuzz-artifacts/ and fails the run. Prints the executions per program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-asan}
seconds=${LUNVIK_FUZZ_SECONDS:-25}
jobs=${LUNVIK_FUZZ_JOBS:-$(nproc)}
source "$root/tools/sanitizers/environment.sh"

programs=()
for corpus in "$root"/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  if [ ! -x "$build/bin/$name" ]; then
    echo "fuzz: $build/bin/$name is missing (build with clang and -DLUNVIK_BUILD_FUZZERS=ON)" >&2
    exit 1
  fi
  programs+=("$name")
done

work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
rm -rf "$work"
mkdir -p "$work" "$artifacts"

run_one() {
  local name=$1
  mkdir -p "$work/$name"
  # The first folder takes new inputs; the repository's corpus is only read.
  QT_QPA_PLATFORM=offscreen "$build/bin/$name" "$work/$name" "$root/fuzz/corpus/$name" \
    -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=3072 -malloc_limit_mb=3072 \
    -artifact_prefix="$artifacts/$name-" -print_final_stats=1 \
    >"$work/$name.log" 2>&1
}
export -f run_one
export build root work artifacts seconds

status=0
printf '%s\n' "${programs[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}' || status=$?

for name in "${programs[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log" | tail -1)
  if grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: " \
    "$work/$name.log"; then
    echo "fuzz: $name FAILED after ${runs:-?} executions; see $work/$name.log"
    grep -m1 -E "ERROR:|runtime error:" "$work/$name.log" || true
    status=1
  else
    echo "fuzz: $name ran ${runs:-?} executions in ${seconds}s"
  fi
done
exit $status
