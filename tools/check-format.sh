#!/usr/bin/env bash
# Fails on any tracked C or C++ file that .clang-format would change, and
# lists them. With --fix, formats them in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null; then
  echo "check-format: $formatter is not installed" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' '*.hpp')
if [ "${1:-}" = "--fix" ]; then
  printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 50 "$formatter" -i
  exit 0
fi
unformatted=$(printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -n 50 "$formatter" --dry-run 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  echo "These files do not follow .clang-format (tools/check-format.sh --fix formats them):"
  sed 's/^/  /' <<<"$unformatted"
  exit 1
fi
echo "format: clean"
