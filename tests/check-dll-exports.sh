#!/bin/sh
# Checks the driver DLL's tables: it exports exactly the names the public
# headers declare, undecorated, and imports nothing but system DLLs (the C and
# C++ runtimes and the threads library are linked in statically). 32-bit or
# 64-bit.
#   tests/check-dll-exports.sh path/to/sigradrv.dll
# Exits 77 when the cross objdump or the DLL is missing.
set -eu
[ $# -eq 1 ] || { echo "usage: $0 DLL" >&2; exit 2; }
dll=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$dll" ]; then
  echo "SKIP: $dll was not built (no cross compiler?)"
  exit 77
fi
# The 64-bit objdump reads 32-bit DLLs too.
objdump=
for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
  if command -v $candidate >/dev/null 2>&1; then
    objdump=$candidate
    break
  fi
done
if [ -z "$objdump" ]; then
  echo "SKIP: no mingw-w64 objdump found (package binutils-mingw-w64-i686)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$dll" > "$work/dump"
cmake -DSOURCE_DIR="$source_dir" -P "$source_dir/tools/list-exports.cmake" | sort > "$work/declared"
# The name table follows its heading up to the next empty line.
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' "$work/dump" |
  sort > "$work/exported"

status=0
if [ ! -s "$work/declared" ]; then
  echo "FAIL: no exported functions found in the headers"
  status=1
fi
if ! diff -u "$work/declared" "$work/exported" > "$work/diff"; then
  echo "FAIL: the DLL's exports differ from the declared names (- declared, + exported):"
  cat "$work/diff"
  status=1
fi
"$source_dir/tests/check-windows-imports.sh" "$dll" > "$work/imports" || status=1
if [ $status -eq 0 ]; then
  echo "exports: $(tr '\n' ' ' < "$work/exported")"
fi
cat "$work/imports"
exit $status
