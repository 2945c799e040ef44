#!/bin/sh
# Cross-builds the driver DLL and the point-of-sale client for 32-bit Windows.
#   tools/windows-build.sh BUILD_DIR [CMAKE_OPTION...]
# for example -DCMAKE_BUILD_TYPE=Release -DSIGRA_WERROR=ON.
# Exits 77 when the mingw-w64 cross compiler is not installed.
set -eu
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [CMAKE_OPTION...]" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
if ! command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "SKIP: i686-w64-mingw32-g++-posix not found (package g++-mingw-w64-i686)"
  exit 77
fi
cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw32.cmake" "$@"
cmake --build "$build_dir" --parallel 2
