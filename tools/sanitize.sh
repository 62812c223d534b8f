#!/usr/bin/env bash
# Builds everything again with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, into ./build-asan or $LUNVIK_ASAN_BUILD_DIR), runs every test there,
# then runs each fuzz program for a short time. Any sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVIK_ASAN_BUILD_DIR:-$root/build-asan}
"$root/tools/ensure-deps.sh"

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLUNVIK_SANITIZE=ON -DLUNVIK_BUILD_FUZZERS=ON -DLUNVIK_BUILD_BENCHMARKS=OFF
fi
cmake --build "$build" --parallel "$(nproc)"

source "$root/tools/sanitizers/environment.sh"
# A test is run a second time only when it fails: LeakSanitizer's own tracer
# can crash ("Tracer caught signal 11") when a thread ends during the leak
# check at exit, after the test itself has passed. A fault that repeats
# still fails the run.
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 600 \
  --repeat until-pass:2)

"$root/tools/fuzz.sh" "$build"
