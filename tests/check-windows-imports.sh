#!/bin/sh
# Checks that a Windows program or DLL imports nothing but DLLs that every
# Windows 10 installation has (its API sets api-ms-win-* among them): the C++
# runtime, the thread library and Qt are linked in statically. Prints the
# imported DLLs.
#   tests/check-windows-imports.sh FILE.exe|FILE.dll
# Exits 77 when the file or the cross objdump is missing.
set -eu
[ $# -eq 1 ] || { echo "usage: $0 FILE" >&2; exit 2; }
file=$1
if [ ! -f "$file" ]; then
  echo "SKIP: $file was not built"
  exit 77
fi
# The 64-bit objdump reads 32-bit files too.
objdump=
for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
  if command -v $candidate >/dev/null 2>&1; then
    objdump=$candidate
    break
  fi
done
if [ -z "$objdump" ]; then
  echo "SKIP: no mingw-w64 objdump found (package binutils-mingw-w64-x86-64)"
  exit 77
fi

imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
status=0
for name in $imports; do
  case $name in
    advapi32.dll | api-ms-win-core-*.dll | authz.dll | comdlg32.dll | d3d9.dll | d3d11.dll | \
      dwmapi.dll | dwrite.dll | dxgi.dll | gdi32.dll | imm32.dll | kernel32.dll | mpr.dll | \
      msvcrt.dll | netapi32.dll | ntdll.dll | ole32.dll | oleaut32.dll | rpcrt4.dll | \
      setupapi.dll | shcore.dll | shell32.dll | shlwapi.dll | user32.dll | userenv.dll | \
      uxtheme.dll | version.dll | winmm.dll | ws2_32.dll | wtsapi32.dll) ;;
    *)
      echo "FAIL: $file imports $name, which is not a system DLL"
      status=1
      ;;
  esac
done
echo "imports: $(echo $imports)"
exit $status
