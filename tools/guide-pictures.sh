#!/bin/sh
# Makes again the pictures of the Polish user guide, docs/pl/img/*.png: the
# operator program, built if needed, runs in a virtual X server against an
# emulated Luno in fiscal mode; each menu is opened and each key dialog shown
# and saved, cropped to the window. The pictures are then stripped of their
# metadata (a date would change every picture at each run).
#   tools/guide-pictures.sh [BUILD_DIR] [OUT_DIR]
#   (default build, docs/pl/img)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build}
out_dir=${2:-$source_dir/docs/pl/img}
for tool in xvfb-run convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "guide-pictures: $tool is missing (tools/install-deps.sh installs it)" >&2
    exit 1
  fi
done
if [ ! -f "$build_dir/build.ninja" ] && [ ! -f "$build_dir/Makefile" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --parallel 2 --target sigrasw-screenshot >/dev/null
mkdir -p "$out_dir"
rm -f "$out_dir"/*.png
# The program's texts in Polish whatever the caller's locale.
LANG=pl_PL.UTF-8 LC_ALL= xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build_dir/tools/screenshot/sigrasw-screenshot" --guide "$out_dir" 7
for picture in "$out_dir"/*.png; do
  convert "$picture" -strip -define png:compression-level=9 "$picture"
done
echo "guide-pictures: $(ls "$out_dir"/*.png | wc -l) pictures in $out_dir"
