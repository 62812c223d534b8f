#!/usr/bin/env bash
# Runs a test program with umockdev's preload library, so that its tests can
# put a USB device at the kernel boundary (sysfs, /dev/bus/usb and the
# usbdevfs calls) without hardware, root or a udev daemon. The program's
# build also has liblunvik-usb-node-access.so, which lets a run as root play
# a device node its user may not open; it is preloaded first when present.
set -euo pipefail
preload=libumockdev-preload.so.0
if ! ldconfig -p 2>/dev/null | grep -F "$preload" >/dev/null; then
  echo "$preload is missing: install the package umockdev" >&2
  exit 1
fi
# Beside the build's libraries, wherever the build keeps them.
access=$(find "$(dirname "$1")/../lib" -name liblunvik-usb-node-access.so -print -quit 2>/dev/null || true)
if [ -n "$access" ] && [ -f "$access" ]; then
  preload="$(cd "$(dirname "$access")" && pwd)/$(basename "$access"):$preload"
fi
# Libraries preloaded already stay first: a dynamic sanitizer runtime must.
export LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD:}$preload"
exec "$@"
