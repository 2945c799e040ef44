#!/bin/sh
# Builds the operator program for 64-bit Windows: BUILD_DIR/app/sigrasw.exe,
# one file with Qt, the C++ runtime and the thread library linked in, beside
# the 64-bit driver DLL and its clients in BUILD_DIR/commands. Cross-builds
# the static Qt first when its cache is missing (tools/windows-qt.sh, about
# 15 minutes). Checks that the program imports only system DLLs.
#   tools/windows-app.sh BUILD_DIR [CMAKE_OPTION...]
set -eu
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [CMAKE_OPTION...]" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
SIGRA_WINDOWS_QT=${SIGRA_WINDOWS_QT:-$HOME/.cache/sigra/qt6-win64}
export SIGRA_WINDOWS_QT
"$source_dir/tools/windows-qt.sh"
"$source_dir/tools/windows-build.sh" --win64 "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DSIGRA_WINDOWS_QT="$SIGRA_WINDOWS_QT" "$@"
exe=$build_dir/app/sigrasw.exe
if [ ! -f "$exe" ]; then
  echo "windows-app: $exe was not built (no Qt for Windows found in $SIGRA_WINDOWS_QT)" >&2
  exit 1
fi
"$source_dir/tests/check-windows-imports.sh" "$exe"
echo "windows-app: $exe, $(stat -c %s "$exe") bytes"
