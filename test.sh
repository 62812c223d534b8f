#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/ensure-deps.sh"
"$root/tools/check-layers.sh"
"$root/tools/check-format.sh"
"$root/tools/build.sh"
build=${LUNVIK_BUILD_DIR:-$root/build}
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
