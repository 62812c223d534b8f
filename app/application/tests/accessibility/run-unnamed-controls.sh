#!/usr/bin/env bash
# Starts the application with a picture on an X display server of its own,
# with the accessibility bus on the current session bus, and walks its tree
# over AT-SPI as a screen reader does (unnamed_controls.py, or the check
# named third; its output and exit status are this script's).
# Usage: run-unnamed-controls.sh PROGRAM PICTURE [CHECK]
set -euo pipefail
program=$1
picture=$2
check=${3:-unnamed_controls.py}
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb "$launcher" /usr/bin/python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: install the packages xvfb, at-spi2-core and python3-pyatspi" >&2
    exit 3
  fi
done
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  echo "no session bus: run under tools/with-session-bus.sh" >&2
  exit 3
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# In sanitized builds: the X keyboard library hands strndup a keymap name
# that is bounded but not terminated, which the strict string checks take for
# an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi

# A free display: the server writes the number it took.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 3
fi
export DISPLAY=":$(head -n1 "$work/display")"

"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)

mkdir -p "$work/config" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  "$program" "$picture" >"$work/app.log" 2>&1 &
pids+=($!)

status=0
/usr/bin/python3 "$here/$check" "$(basename "$program")" 30 "$(basename "$picture")" ||
  status=$?
if [ "$status" -ge 2 ]; then
  echo "--- application" >&2
  cat "$work/app.log" >&2
  echo "--- accessibility bus" >&2
  cat "$work/bus.log" >&2
  echo "--- display server on $DISPLAY" >&2
  cat "$work/xvfb.log" >&2
  ls -la /tmp/.X11-unix >&2 || true
fi
exit "$status"
