#!/usr/bin/env bash
# Installs what is missing, builds and starts the application.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/ensure-deps.sh"
"$root/tools/build.sh"
build=${LUNVIK_BUILD_DIR:-$root/build}
if [ ! -x "$build/bin/Lunvik" ]; then
  echo "The application is not part of this build yet." >&2
  exit 1
fi
exec "$build/bin/Lunvik" "$@"
