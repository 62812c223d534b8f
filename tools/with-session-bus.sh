#!/usr/bin/env bash
# Runs a command on a session bus of its own, so that tests of the D-Bus
# interfaces neither need nor touch the user's bus (CI has none).
set -euo pipefail
if ! command -v dbus-run-session >/dev/null; then
  echo "dbus-run-session is missing: install the package dbus-daemon" >&2
  exit 1
fi
exec dbus-run-session -- "$@"
