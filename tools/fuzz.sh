#!/usr/bin/env bash
# Runs the fuzz programs of a sanitized build (default ./build-asan) for a
# bounded time, several at once, starting from the corpus in fuzz/corpus/ and
# with the program's dictionary from fuzz/dictionaries/ where it has one.
#
# What a run grows is kept in <build>/fuzz-work/<program>/ and taken up again
# by the next run. A crash leaves its input in <build>/fuzz-artifacts/ and
# fails the run. Prints the executions per program.
#
#   LUNVIK_FUZZ_SECONDS   time per program (25)
#   LUNVIK_FUZZ_JOBS      programs at once (the number of cores)
#   LUNVIK_FUZZ_ONLY      the programs to run, by name, separated by spaces
#   LUNVIK_FUZZ_ALL=1     also the programs listed in fuzz/not-in-ci
#   LUNVIK_FUZZ_MERGE=1   afterwards, adds the inputs (up to 64 KiB) that
#                         reach code the repository's corpus does not to
#                         fuzz/corpus/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-asan}
seconds=${LUNVIK_FUZZ_SECONDS:-25}
jobs=${LUNVIK_FUZZ_JOBS:-$(nproc)}
source "$root/tools/sanitizers/environment.sh"

# Programs whose inputs are large by nature run with a larger bound.
declare -A max_len=([PackageFuzz]=1048576)
default_max_len=16384

excluded=$(grep -v '^#' "$root/fuzz/not-in-ci" 2>/dev/null | awk '{print $1}' || true)
programs=()
for corpus in "$root"/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  if [ -n "${LUNVIK_FUZZ_ONLY:-}" ]; then
    [[ " $LUNVIK_FUZZ_ONLY " == *" $name "* ]] || continue
  elif [ "${LUNVIK_FUZZ_ALL:-0}" != 1 ] && grep -qx "$name" <<<"$excluded"; then
    continue
  fi
  if [ ! -x "$build/bin/$name" ]; then
    echo "fuzz: $build/bin/$name is missing (build with clang and -DLUNVIK_BUILD_FUZZERS=ON)" >&2
    exit 1
  fi
  programs+=("$name")
done
if [ ${#programs[@]} -eq 0 ]; then
  echo "fuzz: no program to run" >&2
  exit 1
fi

work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
mkdir -p "$work" "$artifacts"

run_one() {
  local name=$1 length=$2
  local options=()
  if [ -f "$root/fuzz/dictionaries/$name.dict" ]; then
    options+=("-dict=$root/fuzz/dictionaries/$name.dict")
  fi
  if [ "$length" -gt "$default_max_len" ]; then
    # Large inputs from the start, not only after the short ones are done.
    options+=("-len_control=0")
  fi
  mkdir -p "$work/$name"
  # The first folder takes new inputs; the repository's corpus is only read.
  QT_QPA_PLATFORM=offscreen "$build/bin/$name" "$work/$name" "$root/fuzz/corpus/$name" \
    -max_total_time="$seconds" -max_len="$length" -timeout=10 -rss_limit_mb=3072 \
    -malloc_limit_mb=3072 "${options[@]}" -artifact_prefix="$artifacts/$name-" \
    -print_final_stats=1 >"$work/$name.log" 2>&1
}
export -f run_one
export build root work artifacts seconds default_max_len

status=0
for name in "${programs[@]}"; do
  echo "$name ${max_len[$name]:-$default_max_len}"
done | xargs -P "$jobs" -L1 bash -c 'run_one "$0" "$1"' || status=$?

for name in "${programs[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log" | tail -1)
  if grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: |fuzz check failed" \
    "$work/$name.log"; then
    echo "fuzz: $name FAILED after ${runs:-?} executions; see $work/$name.log"
    grep -m1 -E "ERROR:|runtime error:|fuzz check failed" "$work/$name.log" || true
    status=1
  else
    echo "fuzz: $name ran ${runs:-?} executions in ${seconds}s"
  fi
done

if [ "${LUNVIK_FUZZ_MERGE:-0}" = 1 ]; then
  for name in "${programs[@]}"; do
    before=$(ls "$root/fuzz/corpus/$name" | wc -l)
    # The repository keeps inputs up to 64 KiB; larger ones stay in the
    # work folder.
    length=${max_len[$name]:-$default_max_len}
    length=$((length < 65536 ? length : 65536))
    QT_QPA_PLATFORM=offscreen "$build/bin/$name" -merge=1 -max_len="$length" -timeout=10 \
      "$root/fuzz/corpus/$name" "$work/$name" >"$work/$name.merge.log" 2>&1 || {
      echo "fuzz: merging into the corpus of $name failed; see $work/$name.merge.log"
      status=1
      continue
    }
    echo "fuzz: $name's corpus took $(($(ls "$root/fuzz/corpus/$name" | wc -l) - before)) inputs"
  done
fi
exit $status
