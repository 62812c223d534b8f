#!/usr/bin/env bash
# Makes the Debian package of a build and checks it as a distribution does:
#
#   tools/package-check.sh [BUILD]
#
# The package must hold the program, its libraries and the modules it loads
# when first needed (beside the libraries), the launcher, the icon,
# the document type, the AppStream description and the udev rule; depend on
# the libraries it links; pass desktop-file-validate and appstreamcli
# validate; and draw no lintian error. Prints the package's files, its
# control fields and the checkers' reports. Needs the packages lintian,
# desktop-file-utils, appstream and file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-${LUNVIK_BUILD_DIR:-$root/build}}")

for tool in cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "package-check: $tool is missing (tools/ensure-deps.sh installs it)" >&2
    exit 1
  fi
done

out=$(mktemp -d "${TMPDIR:-/tmp}/lunvik-package.XXXXXX")
trap 'rm -rf "$out"' EXIT
if ! (cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1); then
  cat "$out/cpack.log" >&2
  echo "package-check: cpack failed" >&2
  exit 1
fi
debs=("$out"/lunvik_*.deb)
deb=${debs[0]}
echo "== $(basename "$deb")"
dpkg-deb -c "$deb" | tee "$out/contents"
dpkg-deb -f "$deb" | tee "$out/control"

failed=0
fail() {
  echo "package-check: $*" >&2
  failed=1
}

for file in \
  ./usr/bin/Lunvik \
  "./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/lunvik/libKestromCore.so" \
  ./usr/share/applications/org.lunvik.Lunvik.desktop \
  ./usr/share/icons/hicolor/scalable/apps/org.lunvik.Lunvik.svg \
  ./usr/share/mime/packages/org.lunvik.Lunvik.xml \
  ./usr/share/metainfo/org.lunvik.Lunvik.metainfo.xml \
  ./usr/lib/udev/rules.d/60-lunvik-stencil-device.rules \
  ./usr/share/doc/lunvik/copyright \
  ./usr/share/doc/lunvik/changelog.gz \
  ./usr/share/man/man1/Lunvik.1.gz; do
  if ! awk '{print $6}' "$out/contents" | grep -qx -- "$file"; then
    fail "the package lacks $file"
  fi
done
# Nothing of the build or the tests: no test programs, no simulator.
if awk '{print $6}' "$out/contents" | grep -E 'Test|simulator|movie-frames'; then
  fail "the package holds test or development programs"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6dbus6 libusb-1.0-0 libheif1 libpoppler-cpp0v5; do
  if ! grep -q "\b$library\b" <<<"$depends"; then
    fail "Depends does not name $library: $depends"
  fi
done

dpkg-deb -x "$deb" "$out/root"
# The program finds every library it needs, its own ones in the package.
echo "== ldd usr/bin/Lunvik (the package's own libraries)"
ldd "$out/root/usr/bin/Lunvik" >"$out/ldd"
grep -E "=> $out/root/|not found" "$out/ldd" || true
if grep -q "not found" "$out/ldd"; then
  fail "the program does not find all its libraries"
fi
for library in Platform Fennick Dari Ambrel SildorImage Quenta KestromCore; do
  if ! grep -q "lib$library.so => $out/root/" "$out/ldd"; then
    fail "the program does not take lib$library.so from the package"
  fi
done
# The modules the program loads on first use, and the picture worker that
# loads the picture codecs' module, sit beside its libraries, as in the build
# (the movie player only where Qt Multimedia was found), and find every
# library they need.
libdir="lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/lunvik"
if [ ! -x "$out/root/usr/$libdir/lunvik-picture-worker" ]; then
  fail "the package lacks the picture worker usr/$libdir/lunvik-picture-worker"
fi
if ! grep -q "\blibseccomp2\b" <<<"$depends"; then
  fail "Depends does not name libseccomp2: $depends"
fi
for module in "$build/$libdir/liblunvik-picture-codecs.so" "$build/$libdir/liblunvik-movie-player.so" \
  "$build/$libdir/lunvik-picture-worker"; do
  [ -e "$module" ] || continue
  packaged="$out/root/usr/$libdir/$(basename "$module")"
  if [ ! -f "$packaged" ]; then
    fail "the package lacks the module $(basename "$module")"
    continue
  fi
  echo "== ldd usr/$libdir/$(basename "$module")"
  if ldd "$packaged" | tee "$out/ldd-module" | grep "not found"; then
    fail "the module $(basename "$module") does not find all its libraries"
  fi
  if grep -q "libPlatform.so" "$out/ldd-module" &&
     ! grep -q "libPlatform.so => $out/root/" "$out/ldd-module"; then
    fail "the module $(basename "$module") does not take libPlatform.so from the package"
  fi
done
echo "== desktop-file-validate"
desktop-file-validate "$out/root/usr/share/applications/org.lunvik.Lunvik.desktop" ||
  fail "desktop-file-validate failed"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$out/root/usr/share/metainfo/org.lunvik.Lunvik.metainfo.xml" ||
  fail "appstreamcli validate failed"
echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "package-check: $(basename "$deb") is sound"
