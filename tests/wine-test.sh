#!/bin/bash
# Runs the point-of-sale client, built for Windows, under Wine against the
# printer emulator: the DLL reaches the printer on COM1 through its Win32
# serial link. The same client built for Linux runs the same steps against a
# second emulator; both must print the same results and make the printer do
# the same things.
#
#   tests/wine-test.sh [--win64] [--build-dir WINDIR] [--linux-build-dir LINUXDIR]
#
# WINDIR is a cross build (tools/windows-build.sh) holding sigradrv.dll and
# pos_client.exe, 32-bit, or 64-bit with --win64 (run by wine64, which needs
# no 32-bit packages); LINUXDIR a Linux build with sigra-emu and pos_client.
# Either is built in a temporary directory when not given. Exits 77 (skipped)
# when the cross compiler or Wine is missing.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
windows_dir=
linux_dir=
win64=
while [ $# -gt 0 ]; do
  case $1 in
    --win64) win64=--win64; shift ;;
    --build-dir) windows_dir=$2; shift 2 ;;
    --linux-build-dir) linux_dir=$2; shift 2 ;;
    *) echo "usage: $0 [--win64] [--build-dir WINDIR] [--linux-build-dir LINUXDIR]" >&2; exit 2 ;;
  esac
done

. "$(dirname "$0")/wine-lib.sh"
if [ -n "$win64" ]; then
  wine_arch=win64 wine_packages=wine64
else
  wine_arch=win32 wine_packages="wine, wine32:i386"
fi
if [ -z "$win64" ] && ! why=$("$source_dir/tools/runs-32bit.sh"); then
  echo "SKIP: $why, so the 32-bit Wine cannot run"
  exit 77
fi
if ! wine_find $wine_arch; then
  echo "SKIP: Wine for $wine_arch not found (packages $wine_packages)"
  exit 77
fi

work=$(mktemp -d)
emulator_pid=
unset DISPLAY

cleanup() {
  if [ -d "$work/prefix" ]; then
    WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
  fi
  stop_emulator
  rm -rf "$work"
}

# Starts sigra-emu with DIR/com1 linked to its pseudo-terminal. It prints the
# device on its first line, then one journal line for each thing the printer
# does, into DIR/emulator.out. A program under Wine on a busy machine may
# stall for over a second between the bytes of a command, so the printer
# waits longer for them than its default.
start_emulator() {
  local dir=$1
  mkdir -p "$dir"
  "$linux_dir/emulator/sigra-emu" --type 3 --link "$dir" --port 1 --data-timeout 10000 > "$dir/emulator.out" &
  emulator_pid=$!
  for _ in $(seq 50); do
    [ -L "$dir/com1" ] && return 0
    sleep 0.1
  done
  echo "FAIL: the emulator did not start"
  exit 1
}

stop_emulator() {
  [ -n "$emulator_pid" ] || return 0
  kill -TERM "$emulator_pid" 2>/dev/null || true
  wait "$emulator_pid" || true
  emulator_pid=
}
trap cleanup EXIT

if [ -z "$windows_dir" ]; then
  windows_dir=$work/windows
  "$source_dir/tools/windows-build.sh" $win64 "$windows_dir" > "$work/windows-build.log" 2>&1 || {
    status=$?
    cat "$work/windows-build.log"
    exit $status
  }
fi
if [ -z "$linux_dir" ]; then
  linux_dir=$work/linux-build
  cmake -S "$source_dir" -B "$linux_dir" -DSIGRA_BUILD_TESTS=OFF -DSIGRA_BUILD_BENCH=OFF \
    -DSIGRA_BUILD_APP=OFF > "$work/linux-build.log"
  cmake --build "$linux_dir" --parallel 2 --target sigra-emu pos_client >> "$work/linux-build.log"
fi
client_exe=$windows_dir/commands/pos_client.exe
for file in "$client_exe" "$windows_dir/commands/sigradrv.dll" \
  "$windows_dir/commands/win32_link_test.exe" "$windows_dir/commands/exit_open_client.exe" \
  "$linux_dir/emulator/sigra-emu" "$linux_dir/tests/programs/pos_client"; do
  [ -f "$file" ] || { echo "FAIL: $file is missing"; exit 1; }
done

# The reference: the Linux build on its own emulator.
start_emulator "$work/linux"
SIGRA_DOSDEVICES=$work/linux timeout 120 "$linux_dir/tests/programs/pos_client" 1 > "$work/linux/client.out" ||
  { echo "FAIL: the client on Linux failed or hung"; exit 1; }
stop_emulator

# Wine: a fresh prefix whose COM1 is the emulator's pseudo-terminal, at the
# fixed path wine/com1 (the emulator's link to it).
wine_prefix "$work/prefix" $wine_arch
start_emulator "$work/wine"
wine_port 1 "$work/wine/com1"
timeout 120 "$wine" "$client_exe" 1 < /dev/null > "$work/wine/client.raw" ||
  { echo "FAIL: the client under Wine failed or hung"; cat "$work/wine/client.raw"; exit 1; }
tr -d '\r' < "$work/wine/client.raw" > "$work/wine/client.out"
# The emulator is stopped only once Wine has let go of the port.
"$wineserver" -w
stop_emulator
cp "$work/wine/emulator.out" "$work/wine/client-journal.out"

# The Win32 link's own checks, and a program that ends with the connection
# open, each on a fresh printer behind the same COM1.
start_emulator "$work/wine"
link_status=0
timeout 120 "$wine" "$windows_dir/commands/win32_link_test.exe" 1 99 < /dev/null |
  tr -d '\r' > "$work/wine/link.out" || link_status=$?
"$wineserver" -w
stop_emulator
start_emulator "$work/wine"
exit_status=0
timeout 60 "$wine" "$windows_dir/commands/exit_open_client.exe" 1 < /dev/null |
  tr -d '\r' > "$work/wine/exit.out" || exit_status=$?
"$wineserver" -w
stop_emulator

# The driver's texts are Windows-1250.
echo "--- client under Wine"
iconv -f WINDOWS-1250 -t UTF-8 "$work/wine/client.out" 2>/dev/null || cat "$work/wine/client.out"
echo "--- printer journal under Wine"
tail -n +2 "$work/wine/client-journal.out"
echo "--- Win32 link checks under Wine"
cat "$work/wine/link.out"
echo "---"

status=0
for expected in "OpenPort: 0" "RSSequence device type query: 0" "device type code: 0x2C" \
  "RSSequence connection check, 3 answer bytes awaited: 21" \
  "RSSequence connection check after the timeout: 0" "CommunicationInit: 0" \
  "device: SIGRA II generacji" "ReadVAT: 0" "ReceiptBegin: 0" "line value: 599" \
  "ReceiptEnd: 0" "day total: 1499" "CommunicationEnd: 0" \
  "CommunicationInit on a port with nothing behind it: 2"; do
  if ! grep -qxF "$expected" "$work/wine/client.out"; then
    echo "FAIL: the client under Wine did not print \"$expected\""
    status=1
  fi
done
if ! grep -qxF "device type query -> 06 2C" "$work/wine/client-journal.out"; then
  echo "FAIL: the printer under Wine was not asked for its device type"
  status=1
fi
if ! diff -u "$work/linux/client.out" "$work/wine/client.out"; then
  echo "FAIL: the client printed other results under Wine (+) than on Linux (-)"
  status=1
fi
if ! diff -u <(tail -n +2 "$work/linux/emulator.out") <(tail -n +2 "$work/wine/client-journal.out"); then
  echo "FAIL: the printer did other things under Wine (+) than on Linux (-)"
  status=1
fi
if [ $link_status -ne 0 ]; then
  echo "FAIL: the Win32 link checks failed (exit status $link_status)"
  status=1
fi
if [ $exit_status -ne 0 ] || ! grep -qxF "CommunicationInit: 0" "$work/wine/exit.out"; then
  echo "FAIL: a program ending with the connection open did not end well (exit status $exit_status)"
  status=1
fi
[ $status -eq 0 ] && echo "PASS: Wine and Linux gave the same results and printer journal"
exit $status
