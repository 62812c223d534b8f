#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-svg-dev
  libusb-1.0-0-dev libheif-dev libpoppler-cpp-dev libplist-dev libplist-utils
  # The system-call filter that confines the picture worker.
  libseccomp-dev
  # The tests deflate the PDF streams they make.
  zlib1g-dev
  # Photos are decoded row by row (the JPEG library Qt's reader uses).
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-daemon libglib2.0-bin
  # The stencil device emulated at the kernel's USB boundary, for the tests
  # of the libusb backend and the simulator program's --usb mode.
  umockdev libumockdev-dev
  # The keyboard tests of alerts on X11, and the accessibility test: a display
  # server, the accessibility bus and a client of it, as a screen reader.
  xvfb xauth at-spi2-core python3-pyatspi
  # The completion alert's movie: Qt Multimedia, whose backend here is
  # GStreamer, with what reads an MP4 (-good) and decodes H.264 (-libav).
  qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  # Native Wayland windows, and the headless compositor their tests run in.
  qt6-wayland weston
  # The Debian package and the checks of its desktop files.
  file lintian desktop-file-utils appstream
  # The sanitized build and the fuzz programs: clang with its runtimes, and
  # llvm-symbolizer for readable reports.
  clang libclang-rt-14-dev llvm
  # The format check of ./test.sh.
  clang-format
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
fi
