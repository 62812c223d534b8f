#!/usr/bin/env bash
# Runs a command as a client of a Weston compositor of its own (headless,
# drawing with the CPU), so that the tests of native Wayland windows need no
# display and no session:
#
#   tools/with-weston.sh COMMAND [ARGUMENT...]
#
# The command gets WAYLAND_DISPLAY, its own XDG_RUNTIME_DIR and
# QT_QPA_PLATFORM=wayland; no X display. LUNVIK_WESTON_LOG names the
# compositor's log. Screenshots can be taken with weston-screenshooter.
# A Google Test listing (--gtest_list_tests) runs without a compositor.
set -euo pipefail

for argument in "$@"; do
  if [ "$argument" = --gtest_list_tests ]; then
    exec "$@"
  fi
done

if ! command -v weston >/dev/null; then
  echo "weston is missing: install the package weston (tools/ensure-deps.sh)" >&2
  exit 1
fi

runtime=$(mktemp -d "${TMPDIR:-/tmp}/lunvik-weston.XXXXXX")
chmod 700 "$runtime"
weston_pid=
cleanup() {
  if [ -n "$weston_pid" ] && kill -0 "$weston_pid" 2>/dev/null; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT

# No panel (its clock would change the pictures), a plain background, and
# windows that show at once, without fading in or dimming.
cat >"$runtime/weston.ini" <<'INI'
[core]
idle-time=0
require-input=false

[shell]
panel-position=none
background-color=0xff3b6e8f
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
INI

log=${LUNVIK_WESTON_LOG:-$runtime/weston.log}
socket=wayland-lunvik
# --debug lets weston-screenshooter take pictures of the output.
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman \
  --width=1920 --height=1200 --socket="$socket" --config="$runtime/weston.ini" \
  --debug --log="$log" </dev/null >/dev/null 2>&1 &
weston_pid=$!

ready=
for _ in $(seq 1 200); do
  if [ -S "$runtime/$socket" ] && grep -q "launching '.*weston-desktop-shell'" "$log" 2>/dev/null; then
    ready=1
    break
  fi
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    break
  fi
  sleep 0.05
done
if [ -z "$ready" ]; then
  # Weston is installed but this machine cannot run it: say so and skip.
  echo "[  SKIPPED ] weston could not start here; its log:"
  cat "$log" 2>/dev/null || true
  exit 0
fi

export XDG_RUNTIME_DIR=$runtime
export WAYLAND_DISPLAY=$socket
export QT_QPA_PLATFORM=wayland
unset DISPLAY
status=0
"$@" || status=$?
exit "$status"
