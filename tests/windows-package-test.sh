#!/bin/bash
# Packs the Windows trees the suite built twice with tools/package-windows.sh,
# into OUT_DIR for tests/wine-msi-test.sh: unsigned at the project's version
# (OUT_DIR/unsigned), and at the next patch version signed with a throw-away
# self-signed certificate (OUT_DIR/signed). Checks what a shop and a till's
# developer get: the unsigned build says so and carries no signature, every
# signed file verifies; the programs and DLLs carry the version, the program
# its icon and manifest; the driver kits compile a C and a C++ till with both
# mingw-w64 compilers the way the kit's text says (-I<kit>, import library).
#
#   tests/windows-package-test.sh --win32-build DIR --win64-build DIR OUT_DIR
# Exits 77 (skipped) when the operator program was not built (no Qt for
# Windows).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
[ "${1:-}" = --win32-build ] && [ "${3:-}" = --win64-build ] && [ $# -eq 5 ] ||
  { echo "usage: $0 --win32-build DIR --win64-build DIR OUT_DIR" >&2; exit 2; }
win32=$2 win64=$4 out=$5
rm -rf "$out"
if [ ! -f "$win64/app/sigrasw.exe" ]; then
  echo "SKIP: $win64/app/sigrasw.exe was not built (no Qt for Windows: tools/windows-qt.sh makes one)"
  exit 77
fi
version=$(sed -n 's/^project(Sigra VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
next=${version%.*}.$((${version##*.} + 1))
mkdir -p "$out/cert"
fail() { echo "FAIL: $*"; exit 1; }

# Unsigned, with the certificate's variables emptied.
SIGRA_SIGN_CERT='' SIGRA_SIGN_KEY='' "$source_dir/tools/package-windows.sh" \
  --win32-build "$win32" --win64-build "$win64" "$out/unsigned" > "$out/unsigned.log"
cat "$out/unsigned.log"
[ "$(grep -c 'not signed' "$out/unsigned.log")" -eq 1 ] || fail "no one line that says unsigned"
stage=$out/unsigned/stage/SigraSW
for file in "$out/unsigned/Sigra-$version-x64.msi" "$stage/sigrasw.exe"; do
  if osslsigncode verify -in "$file" > /dev/null 2>&1; then fail "$file is signed"; fi
done

# Signed, with a certificate made here for this run only.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Sigra test $$" \
  -keyout "$out/cert/key.pem" -out "$out/cert/cert.pem" 2> /dev/null
"$source_dir/tools/package-windows.sh" --win32-build "$win32" --win64-build "$win64" \
  --version "$next" --sign-cert "$out/cert/cert.pem" --sign-key "$out/cert/key.pem" \
  "$out/signed" > "$out/signed.log"
grep -q "signed with" "$out/signed.log" || fail "the signed build does not say so"
signed=$out/signed/stage/SigraSW
for file in "$out/signed/Sigra-$next-x64.msi" "$signed/sigrasw.exe" \
            "$signed"/sigradrv-*/sigradrv.dll; do
  osslsigncode verify -CAfile "$out/cert/cert.pem" -in "$file" > "$out/verify.log" 2>&1 ||
    { cat "$out/verify.log"; fail "$file: no valid signature"; }
  grep -q "CN=Sigra test $$" "$out/verify.log" || fail "$file: signed by someone else"
done
echo "signatures: the program, both DLLs and the installer verify"

# The resources: the version in all three, the icon's largest picture and
# the manifest in the program.
python3 - "$stage" "$version" "$win64/app/sigrasw.ico" <<'PYTHON' || fail "resources"
import struct, sys
stage, version, icon = sys.argv[1:]
def utf16(text): return text.encode("utf-16-le")
for name in ("sigrasw.exe", "sigradrv-32bit/sigradrv.dll", "sigradrv-64bit/sigradrv.dll"):
    data = open(f"{stage}/{name}", "rb").read()
    for key, value in (("ProductVersion", version), ("ProductName", "Sigra"),
                       ("CompanyName", "The Sigra developers")):
        at = data.find(utf16(key))
        if at < 0 or utf16(value) not in data[at:at + 80]:
            sys.exit(f"{name}: no {key} {value}")
exe = open(f"{stage}/sigrasw.exe", "rb").read()
if utf16("użytkownika") not in exe: sys.exit("sigrasw.exe: no Polish description")
if b"PerMonitorV2" not in exe or b"Microsoft.Windows.Common-Controls" not in exe:
    sys.exit("sigrasw.exe: no manifest")
ico = open(icon, "rb").read()
count = struct.unpack_from("<H", ico, 4)[0]
entries = [struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i) for i in range(count)]
size, offset = max((e[6], e[7]) for e in entries)
if count < 5 or ico[offset:offset + size] not in exe: sys.exit("sigrasw.exe: no icon")
PYTHON
echo "resources: version, Polish description, icon and manifest"

# A till's developer, with the kit's folder as the include directory.
for bits in 32 64; do
  kit=$stage/sigradrv-${bits}bit
  [ $bits = 32 ] && triple=i686-w64-mingw32 || triple=x86_64-w64-mingw32
  $triple-gcc "$source_dir/examples/pos.c" -I"$kit" "$kit/libsigradrv.dll.a" -o "$out/pos$bits.exe"
  $triple-g++ -std=c++17 "$source_dir/examples/pos.cpp" -I"$kit" "$kit/libsigradrv.dll.a" \
    -o "$out/pos-cpp$bits.exe"
done
echo "kits: examples/pos.c and examples/pos.cpp build against both"

# The service's part, with a stand-in for sigrad.exe: registered to start
# with Windows, started at install time only with a printer given.
mkdir -p "$out/service/stage"
cp -r "$stage/sigradrv-64bit" "$out/service/stage/"
cp "$win64/commands/sigradrv.dll" "$out/service/stage/sigrad.exe"
"$source_dir/tools/windows-msi.sh" "$out/service/stage" "$win64/app/sigrasw.ico" "$version" \
  "$out/service/sigra.msi"
tables() { for table; do msiinfo export "$out/service/sigra.msi" "$table"; done | tr -d '\r'; }
tables ServiceInstall | grep -q $'^SigraService\tSigra\t.*\t16\t2\t1\t.*--service' ||
  fail "the service is not registered to start with Windows: $(tables ServiceInstall)"
tables ServiceControl | grep -q $'^SigraServiceStart\tSigra\t1\t.*\tSigradStart$' &&
  tables Component | grep -q $'^SigradStart\t.*\tPRINTER\t' ||
  fail "the service's start is not bound to PRINTER: $(tables Component | grep Sigrad)"
echo "service: sigrad.exe registered as Sigra, started only with PRINTER"
echo "PASS: unsigned and signed packages, resources, driver kits"
