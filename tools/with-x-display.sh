#!/usr/bin/env bash
# Runs a command on an X display server of its own (Xvfb), for the tests of
# what the window system decides, such as which window has the keys.
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: install the package xvfb" >&2
  exit 1
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
