#!/bin/sh
# Takes pictures of SigraSW's main window connected to an emulated printer,
# and of its clock dialogs, the report-by-dates dialog, the dialogs of the
# test and service menus, the tax-rate dialogs, (on a Luno) the device
# settings and the customer-display dialogs, in a virtual X server.
#   tools/screenshot.sh [OUT.png] [DEVICE_TYPE] [BUILD_DIR]
#   (default sigrasw.png, a Luno (7), build)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-sigrasw.png}
type=${2:-7}
build_dir=${3:-$source_dir/build}
if [ ! -x "$build_dir/tools/screenshot/sigrasw-screenshot" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --parallel 2 --target sigrasw-screenshot >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24" "$build_dir/tools/screenshot/sigrasw-screenshot" "$out" "$type"
echo "Saved $out and ${out%.png}-{komunikacja,data-godzina,przestawianie,ustaw-zegar-wpis,ustaw-zegar,wg-dat,dane-4,dane-6,bajty,test,test-segmenty,odczyt-stawek,stawki,ustawienia,reklama-odczyt,teksty-reklamowe,fiskalizacja}.png"
