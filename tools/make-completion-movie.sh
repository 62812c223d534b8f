#!/usr/bin/env bash
# Makes the movie the stencil plug-in's completion alert plays again, from
# the frames lunvik-completion-movie-frames draws:
#
#   tools/make-completion-movie.sh
#
# Writes app/tavrin/resources/lunvik.mp4 (H.264 in MP4, no sound), which is
# kept in the repository so that builds need no encoder. Needs the build and
# GStreamer's encoder: packages gstreamer1.0-tools, gstreamer1.0-plugins-base,
# gstreamer1.0-plugins-good and gstreamer1.0-plugins-ugly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVIK_BUILD_DIR:-$root/build}
out="$root/app/tavrin/resources/lunvik.mp4"

for element in rawvideoparse videoconvert x264enc mp4mux; do
  if ! command -v gst-inspect-1.0 >/dev/null || ! gst-inspect-1.0 "$element" >/dev/null 2>&1; then
    echo "GStreamer element $element is missing: install gstreamer1.0-tools," \
      "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good and gstreamer1.0-plugins-ugly" >&2
    exit 1
  fi
done

if [ ! -f "$build/build.ninja" ]; then
  "$root/tools/build.sh"
fi
cmake --build "$build" --target lunvik-completion-movie-frames

tmp=$(mktemp "$out.XXXXXX")
trap 'rm -f "$tmp"' EXIT
# One frame is 640 x 360 RGB bytes. One thread keeps the encoder's choices
# the same from run to run; the index goes to the front so that playback can
# start before the whole file is read.
"$build/bin/lunvik-completion-movie-frames" |
  gst-launch-1.0 -q fdsrc fd=0 blocksize=691200 \
    ! rawvideoparse width=640 height=360 format=rgb framerate=25/1 \
    ! videoconvert ! video/x-raw,format=I420 \
    ! x264enc speed-preset=veryslow psy-tune=animation pass=qual quantizer=24 \
      key-int-max=50 threads=1 \
    ! video/x-h264,profile=main \
    ! mp4mux faststart=true \
    ! filesink location="$tmp"
chmod 644 "$tmp"
mv "$tmp" "$out"
trap - EXIT
echo "$out: $(stat -c %s "$out") bytes"
