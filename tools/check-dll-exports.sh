#!/bin/sh
# Checks the driver DLL's tables: it exports exactly the names the public
# headers declare, undecorated, and imports nothing but system DLLs (the C and
# C++ runtimes and the threads library are linked in statically).
#   tools/check-dll-exports.sh path/to/sigradrv.dll
# Exits 77 when the cross objdump or the DLL is missing.
set -eu
[ $# -eq 1 ] || { echo "usage: $0 DLL" >&2; exit 2; }
dll=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$dll" ]; then
  echo "SKIP: $dll was not built (no cross compiler?)"
  exit 77
fi
# The machine field of the PE header (at the offset stored at 0x3C) tells a
# 64-bit DLL (0x8664) from a 32-bit one.
pe_offset=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$dll" | tr -d ' ')
if [ "$machine" = 8664 ]; then
  objdump=x86_64-w64-mingw32-objdump package=binutils-mingw-w64-x86-64
else
  objdump=i686-w64-mingw32-objdump package=binutils-mingw-w64-i686
fi
if ! command -v "$objdump" >/dev/null 2>&1; then
  echo "SKIP: $objdump not found (package $package)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$dll" > "$work/dump"
cmake -DSOURCE_DIR="$source_dir" -P "$source_dir/tools/list-exports.cmake" | sort > "$work/declared"
# The name table follows its heading up to the next empty line.
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' "$work/dump" |
  sort > "$work/exported"
sed -n 's/^[[:space:]]*DLL Name: //p' "$work/dump" | tr 'A-Z' 'a-z' | sort -u > "$work/imported"

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
while read -r name; do
  case $name in
    kernel32.dll | msvcrt.dll | ntdll.dll | user32.dll | advapi32.dll | ws2_32.dll) ;;
    *)
      echo "FAIL: imports $name, which is not a system DLL"
      status=1
      ;;
  esac
done < "$work/imported"
if [ $status -eq 0 ]; then
  echo "exports: $(tr '\n' ' ' < "$work/exported")"
  echo "imports: $(tr '\n' ' ' < "$work/imported")"
fi
exit $status
