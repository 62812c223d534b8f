#!/usr/bin/env bash
# Starts the application on a virtual X display and writes its first document
# window as a PNG once the window shows what it was opened with (the picture
# or package given, drawn whole), for reviews:
#   tools/screenshot.sh [out.png] [picture-or-package...]
# Needs xvfb-run (package xvfb); the build must exist. With dbus-run-session
# (package dbus-daemon) the application runs on a session bus of its own, as
# on a desktop, where it takes pictures as well as packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVIK_BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-lunvik-window.png}")
shift || true
files=()
for file in "$@"; do
  files+=("$(realpath -m "$file")")
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
bus=()
if command -v dbus-run-session >/dev/null; then
  bus=(dbus-run-session --)
fi
rm -f "$out"
XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" LUNVIK_SCREENSHOT="$out" \
  LUNVIK_SCREENSHOT_WHEN=drawn \
  "${bus[@]}" xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/Lunvik" ${files[@]+"${files[@]}"}
if [ ! -s "$out" ]; then
  echo "screenshot: no picture was written" >&2
  exit 1
fi
echo "$out"
