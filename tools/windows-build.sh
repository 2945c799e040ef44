#!/bin/sh
# Cross-builds the driver DLL and the point-of-sale client for 32-bit Windows.
#   tools/windows-build.sh BUILD_DIR
# Exits 77 when the mingw-w64 cross compiler is not installed.
set -eu
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if ! command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "SKIP: i686-w64-mingw32-g++-posix not found (package g++-mingw-w64-i686)"
  exit 77
fi
cmake -S "$source_dir" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw32.cmake"
cmake --build "$1" --parallel 2
