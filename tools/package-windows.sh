#!/bin/sh
# Makes the zip for Windows users: SigraSW-VERSION-windows.zip in OUT_DIR with
#   SigraSW/sigrasw.exe                the operator program (64-bit, one file)
#   SigraSW/CZYTAJ.TXT                 where the guide is, and the driver
#   SigraSW/Przewodnik/                the user guide in HTML (index.html)
#                                      with its pictures
#   SigraSW/sigradrv-32bit/            the driver for 32-bit programs, its
#                                      headers and import library
#   SigraSW/sigradrv-64bit/            the same for 64-bit programs
# Builds what it packs in OUT_DIR (the Qt for Windows first when its cache is
# missing, see tools/windows-app.sh).
#   tools/package-windows.sh [OUT_DIR]        (default: build-windows-package)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$source_dir/build-windows-package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(sed -n 's/^project(Sigra VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")

"$source_dir/tools/windows-build.sh" "$out/win32" -DCMAKE_BUILD_TYPE=Release
"$source_dir/tools/windows-app.sh" "$out/win64"

stage=$out/stage/SigraSW
rm -rf "$out/stage"
mkdir -p "$stage/sigradrv-32bit" "$stage/sigradrv-64bit"
x86_64-w64-mingw32-strip -o "$stage/sigrasw.exe" "$out/win64/app/sigrasw.exe"
for bits in 32 64; do
  build=$out/win$bits/commands
  [ $bits = 32 ] && triple=i686-w64-mingw32 || triple=x86_64-w64-mingw32
  $triple-strip -o "$stage/sigradrv-${bits}bit/sigradrv.dll" "$build/sigradrv.dll"
  cp "$build/libsigradrv.dll.a" "$source_dir/include/sigra/sigradrv.h" \
    "$source_dir/include/sigra/sigradrv.hpp" "$stage/sigradrv-${bits}bit/"
done
# UTF-8 with its byte-order mark and Windows line ends, so that Notepad of
# any version shows the Polish letters and the lines.
{
  printf '\357\273\277'
  sed 's/$/\r/' "$source_dir/packaging/windows/CZYTAJ.TXT"
} > "$stage/CZYTAJ.TXT"

# The user guide, opened in the browser from Przewodnik/index.html.
"$source_dir/tools/render-guide.sh" "$stage/Przewodnik" >/dev/null

zip=$out/SigraSW-$version-windows.zip
rm -f "$zip"
(cd "$out/stage" && cmake -E tar cf "$zip" --format=zip SigraSW)
echo "package-windows: $zip, $(stat -c %s "$zip") bytes:"
(cd "$out/stage" && find SigraSW -type f | sort | while read -r f; do
  echo "  $f $(stat -c %s "$f")"
done)
