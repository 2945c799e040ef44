#!/bin/sh
# Cross-builds the driver DLL and the point-of-sale client for Windows: 32-bit
# by default, 64-bit with --win64 (with the operator program sigrasw.exe too
# when a Qt for Windows is found, see tools/windows-qt.sh, and the service
# sigrad.exe).
#   tools/windows-build.sh [--win64] BUILD_DIR [CMAKE_OPTION...]
# for example -DCMAKE_BUILD_TYPE=Release -DSIGRA_WERROR=ON.
# Exits 77 when the mingw-w64 cross compiler is not installed.
set -eu
triple=i686-w64-mingw32
win64=
toolchain=toolchain-mingw32.cmake
package=g++-mingw-w64-i686
if [ "${1:-}" = --win64 ]; then
  triple=x86_64-w64-mingw32
  toolchain=toolchain-mingw64.cmake
  package=g++-mingw-w64-x86-64-posix
  win64=yes
  shift
fi
[ $# -ge 1 ] || { echo "usage: $0 [--win64] BUILD_DIR [CMAKE_OPTION...]" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
if ! command -v $triple-g++-posix >/dev/null 2>&1; then
  echo "SKIP: $triple-g++-posix not found (package $package)"
  exit 77
fi
# sigrad.exe's libraries, from Debian's sources, prepared once into their
# cache; without them the tree is built without sigrad.exe.
if [ -n "$win64" ] && ! "$source_dir/tools/windows-libs.sh"; then
  echo "windows-build: sigrad.exe's libraries could not be prepared; building without it" >&2
fi
cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/$toolchain" "$@"
cmake --build "$build_dir" --parallel 2
