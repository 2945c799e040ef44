#!/bin/sh
# Makes what Windows users get, in OUT_DIR: the installer Sigra-VERSION-x64.msi
# (tools/windows-msi.sh) and the zip SigraSW-VERSION-windows.zip, both of the
# same files:
#   sigrasw.exe                the operator program (64-bit, one file)
#   CZYTAJ.TXT, LICENCJA.TXT   where the guide and the driver are; the licence
#   Przewodnik/                the user guide in HTML (index.html) with its
#                              pictures
#   sigradrv-32bit/            the driver kit for 32-bit programs: sigradrv.dll,
#                              its import library, the headers in sigra/
#   sigradrv-64bit/            the same for 64-bit programs
#   sigrad.exe                 the HTTP service, where the 64-bit tree has it
#                              (sigrad/sigrad.exe); the installer then
#                              registers it as the service "Sigra"
# The zip holds them in a folder SigraSW; the installer puts them into
# Program Files\Sigra.
#
#   tools/package-windows.sh [OPTION...] [OUT_DIR]   (default: build-windows-package)
#     --win32-build DIR --win64-build DIR   pack these trees (the 64-bit one
#                        with sigrasw.exe) instead of building both in OUT_DIR
#                        (the Qt for Windows first when its cache is missing,
#                        see tools/windows-app.sh)
#     --version A.B.C    number the packages so instead of the project's
#                        version (a rebuild to try an upgrade with)
#     --sign-cert FILE --sign-key FILE   sign the programs, the DLLs and the
#                        installer (Authenticode, osslsigncode) with this
#                        certificate and key, PEM or DER; also taken from
#                        SIGRA_SIGN_CERT and SIGRA_SIGN_KEY, with
#                        SIGRA_SIGN_PASS_FILE for the key's password and
#                        SIGRA_SIGN_TIMESTAMP for a time-stamping server
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
win32='' win64='' version=''
cert=${SIGRA_SIGN_CERT:-} key=${SIGRA_SIGN_KEY:-}
while [ $# -gt 0 ]; do
  case $1 in
    --win32-build) win32=$(cd "$2" && pwd); shift 2 ;;
    --win64-build) win64=$(cd "$2" && pwd); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --sign-cert) cert=$2; shift 2 ;;
    --sign-key) key=$2; shift 2 ;;
    -*) echo "usage: see $0" >&2; exit 2 ;;
    *) break ;;
  esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
  echo "package-windows: signing needs both a certificate and its key" >&2
  exit 2
fi
out=${1:-$source_dir/build-windows-package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -n "$version" ] ||
  version=$(sed -n 's/^project(Sigra VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
case $version in
  *[!0-9.]* | *.*.*.* | [!0-9]* | *.) echo "package-windows: not a version a.b.c: $version" >&2; exit 2 ;;
  *.*.*) ;;
  *) echo "package-windows: not a version a.b.c: $version" >&2; exit 2 ;;
esac

if [ -z "$win32" ] || [ -z "$win64" ]; then
  win32=$out/win32 win64=$out/win64
  "$source_dir/tools/windows-build.sh" "$win32" -DCMAKE_BUILD_TYPE=Release
  "$source_dir/tools/windows-app.sh" "$win64"
fi

stage=$out/stage/SigraSW
rm -rf "$out/stage"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/sigrasw.exe" "$win64/app/sigrasw.exe"
if [ -f "$win64/sigrad/sigrad.exe" ]; then
  x86_64-w64-mingw32-strip -o "$stage/sigrad.exe" "$win64/sigrad/sigrad.exe"
fi
# A kit a till's developer compiles against with -I<kit>: the headers in
# sigra/, as sigradrv.hpp includes "sigra/sigradrv.h".
for bits in 32 64; do
  [ $bits = 32 ] && build=$win32/commands triple=i686-w64-mingw32 ||
    build=$win64/commands triple=x86_64-w64-mingw32
  kit=$stage/sigradrv-${bits}bit
  mkdir -p "$kit/sigra"
  $triple-strip -o "$kit/sigradrv.dll" "$build/sigradrv.dll"
  cp "$build/libsigradrv.dll.a" "$kit/"
  cp "$source_dir/include/sigra/sigradrv.h" "$source_dir/include/sigra/sigradrv.hpp" "$kit/sigra/"
done
# UTF-8 with its byte-order mark and Windows line ends, so that Notepad of
# any version shows the Polish letters and the lines.
for text in packaging/windows/CZYTAJ.TXT:CZYTAJ.TXT packaging/copyright:LICENCJA.TXT; do
  {
    printf '\357\273\277'
    sed 's/$/\r/' "$source_dir/${text%%:*}"
  } > "$stage/${text#*:}"
done

# The user guide, opened in the browser from Przewodnik/index.html.
"$source_dir/tools/render-guide.sh" "$stage/Przewodnik" >/dev/null

# Authenticode signatures where a certificate is given: the programs and the
# DLLs before they are packed, the installer after.
sign() {
  file=$1
  set -- -certs "$cert" -key "$key" -h sha256 -n Sigra -in "$file" -out "$file.signed"
  [ -z "${SIGRA_SIGN_PASS_FILE:-}" ] || set -- "$@" -readpass "$SIGRA_SIGN_PASS_FILE"
  [ -z "${SIGRA_SIGN_TIMESTAMP:-}" ] || set -- "$@" -ts "$SIGRA_SIGN_TIMESTAMP"
  osslsigncode sign "$@" > "$out/sign.log" 2>&1 ||
    { cat "$out/sign.log" >&2; echo "package-windows: cannot sign $file" >&2; exit 1; }
  mv "$file.signed" "$file"
}
if [ -n "$cert" ]; then
  if ! command -v osslsigncode >/dev/null 2>&1; then
    echo "package-windows: osslsigncode is missing (Debian package osslsigncode)" >&2
    exit 1
  fi
  for file in "$stage"/*.exe "$stage"/sigradrv-*/sigradrv.dll; do
    sign "$file"
  done
fi

zip=$out/SigraSW-$version-windows.zip
rm -f "$zip"
(cd "$out/stage" && cmake -E tar cf "$zip" --format=zip SigraSW)
msi=$out/Sigra-$version-x64.msi
"$source_dir/tools/windows-msi.sh" "$stage" "$win64/app/sigrasw.ico" "$version" "$msi"
if [ -n "$cert" ]; then
  sign "$msi"
  rm -f "$out/sign.log"
  echo "package-windows: signed with $cert"
else
  echo "package-windows: not signed (no certificate given: --sign-cert and --sign-key)"
fi
[ -f "$stage/sigrad.exe" ] && service=" with the service sigrad.exe" || service=" without sigrad.exe"
echo "package-windows: $msi, $(stat -c %s "$msi") bytes$service"
echo "package-windows: $zip, $(stat -c %s "$zip") bytes:"
(cd "$out/stage" && find SigraSW -type f | sort | while read -r f; do
  echo "  $f $(stat -c %s "$f")"
done)
