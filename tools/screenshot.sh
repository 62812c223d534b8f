#!/usr/bin/env bash
# Starts the application on a virtual X display and writes its first document
# window as a PNG, for reviews: tools/screenshot.sh [out.png] [document...]
# Needs xvfb-run (package xvfb); the build must exist.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVIK_BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-lunvik-window.png}")
shift || true
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" LUNVIK_SCREENSHOT="$out" \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/Lunvik" "$@"
echo "$out"
