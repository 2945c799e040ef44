#!/bin/bash
# Installs the Windows Installer package under wine64 in a fresh prefix as a
# shop does, silently, with the printer on COM1, and checks what it leaves:
# every packed file under Program Files\Sigra and the Start-menu entries;
# the service running, selling once under a key and replaying it; with the
# service stopped, the installed sigrasw.exe identifies the printer; the
# package of the next version replaces it (one product registered, its
# files, the service's configuration and journal kept); the uninstall leaves
# no file under Program Files\Sigra, no shortcut and no service, and keeps
# the journal.
#
#   tests/wine-msi-test.sh --packages DIR --linux-build-dir LINUXDIR
#
# DIR is what tests/windows-package-test.sh made: DIR/unsigned with the
# project's version, DIR/signed with the next one. Exits 77 (skipped) when
# the packages were not made (no Qt for Windows) or wine64 or Xvfb is missing.
set -euo pipefail
[ "${1:-}" = --packages ] && [ "${3:-}" = --linux-build-dir ] && [ $# -eq 4 ] ||
  { echo "usage: $0 --packages DIR --linux-build-dir LINUXDIR" >&2; exit 2; }
packages=$(realpath -m "$2") linux_dir=$4
old=$(ls "$packages"/unsigned/Sigra-*-x64.msi 2>/dev/null || true)
new=$(ls "$packages"/signed/Sigra-*-x64.msi 2>/dev/null || true)
if [ -z "$old" ] || [ -z "$new" ]; then
  echo "SKIP: no packages in $packages (no Qt for Windows: tools/windows-qt.sh makes one)"
  exit 77
fi
. "$(dirname "$0")/wine-lib.sh"
if ! wine_find win64 || ! command -v Xvfb > /dev/null; then
  echo "SKIP: wine64 or Xvfb not found (packages wine64, xvfb)"
  exit 77
fi

work=$(mktemp -d)
emulator_pid='' xvfb_pid=''
cleanup() {
  [ ! -d "$work/prefix" ] || WINEPREFIX=$work/prefix "$wineserver" -k 2> /dev/null || true
  for pid in $emulator_pid $xvfb_pid; do
    kill -TERM "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for log in "$work"/*.log; do
    echo "--- $log"
    iconv -f UTF-16LE -t UTF-8 "$log" 2> /dev/null | grep -a -iE 'error|fail|return value 3' | head -20 ||
      tail -20 "$log"
  done
  exit 1
}
installed=$work/prefix/drive_c/Program\ Files/Sigra

data=$work/prefix/drive_c/ProgramData/Sigra

# msiexec takes the package and its log as Windows paths; properties follow.
msiexec() {
  local action=$1 msi=$2 log=$work/$3.log started
  shift 3
  started=$(date +%s)
  "$wine" msiexec "$action" "Z:${msi//\//\\}" /qn /l*v "Z:${log//\//\\}" "$@" > /dev/null 2>&1 ||
    fail "msiexec $action $(basename "$msi") exited $?"
  echo "msiexec $action $(basename "$msi") $*: $(($(date +%s) - started)) s"
}
# The service's state as Wine's sc gives it (RUNNING, STOPPED), none when
# it is not registered.
service_state() {
  { "$wine" sc query Sigra 2> /dev/null || true; } | tr -d '\r' | awk '/STATE/ {print $4}'
}
wait_service() {
  for _ in $(seq 120); do
    [ "$(service_state)" = "$1" ] && return 0
    sleep 0.5
  done
  fail "the service is $(service_state), not $1"
}
# sale NAME [KEY]: the one receipt every sale here is, under KEY (msi-1);
# its answer in NAME.json, its status and whether it was replayed on the
# output.
sale() {
  curl -s -o "$work/$1.json" -D "$work/$1.headers" -w '%{http_code}' \
    -H "Idempotency-Key: ${2:-msi-1}" \
    -H 'Content-Type: application/json' \
    -d '{"items":[{"name":"Chleb","rate":"A","quantity":1,"unit":"szt","price":"4.50"}]}' \
    http://127.0.0.1:8420/v1/printers/till1/receipts
  grep -qi '^Idempotent-Replayed: true' "$work/$1.headers" && echo " replayed" || true
}
receipts() { grep -c 'PARAGON NR' "$work/emulator.out" || true; }
# The files of a staged folder, or of the installed one, one relative path a line.
files() { (cd "$1" 2> /dev/null && find . -type f | LC_ALL=C sort); }
shortcuts() { find "$WINEPREFIX/drive_c" -name '*.lnk' -path '*Start Menu*' -printf '%f\n' | sort; }
# The registered products named Sigra, with their versions.
products() {
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2> /dev/null |
    tr -d '\r' | awk '/^HKEY/ {key = $0} /DisplayName.*REG_SZ.*Sigra$/ {print key}' |
    while read -r key; do
      "$wine" reg query "$key" /v DisplayVersion 2> /dev/null | tr -d '\r' | awk '/REG_SZ/ {print $3}'
    done
}

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5> "$work/display" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
wine_prefix "$work/prefix" win64

# The emulated printer behind COM1, for the service and the program.
mkdir -p "$work/emu"
"$linux_dir/emulator/sigra-emu" --type 3 --link "$work/emu" --port 1 --data-timeout 10000 \
  > "$work/emulator.out" &
emulator_pid=$!
for _ in $(seq 50); do [ -L "$work/emu/com1" ] && break; sleep 0.1; done
[ -L "$work/emu/com1" ] || fail "the emulator did not start"
wine_port 1 "$work/emu/com1"

msiexec /i "$old" install-old PRINTER=COM1
[ "$(files "$installed")" = "$(files "$packages/unsigned/stage/SigraSW")" ] ||
  fail "Program Files\\Sigra does not hold the packed files: $(files "$installed" | head)"
[ "$(shortcuts)" = "$(printf 'SigraSW - przewodnik.lnk\nSigraSW.lnk')" ] ||
  fail "Start-menu entries: $(shortcuts)"
[ "$(products)-x64.msi" = "${old##*/Sigra-}" ] ||
  fail "registered: $(products)"
echo "installed: $(files "$installed" | wc -l) files, $(shortcuts | tr '\n' ',')"

# The service, started by the installer with the printer given, sells once
# under a key and replays it.
wait_service RUNNING
grep -q '^--printer till1=COM1:9600' "$data/sigrad.conf" 2> /dev/null ||
  fail "no configuration for COM1 written: $(cat "$data/sigrad.conf" 2>&1)"
for _ in $(seq 60); do
  curl -sf http://127.0.0.1:8420/v1/printers 2> /dev/null | grep -q '"online":true' && break
  sleep 0.5
done
[ "$(sale first)" = 201 ] && [ "$(sale again)" = "201 replayed" ] && [ "$(receipts)" = 1 ] ||
  fail "a sale through the installed service and its replay: $(cat "$work/first.json")"
echo "the installed service sold one receipt and replayed it"

# The service killed while the printer prints a receipt (it has taken the
# closing), as taskkill /f ends it, and started again: the key settles from
# the printer's counter, and a retry under it sells nothing more.
ends=$(grep -c '^receipt end -> 06' "$work/emulator.out" || true)
sale killed msi-2 > "$work/killed.code" &
sale_pid=$!
for _ in $(seq 300); do
  [ "$(grep -c '^receipt end -> 06' "$work/emulator.out" || true)" -gt "$ends" ] && break
  sleep 0.05
done
sleep 0.5
pkill -KILL -f 'sigrad.exe --service' || fail "no service process to kill"
wait "$sale_pid" || true
# Started again by the service manager's recovery, or by hand once it saw
# the process end.
for _ in $(seq 120); do
  curl -sf http://127.0.0.1:8420/v1/printers > /dev/null 2>&1 && break
  [ "$(service_state)" = STOPPED ] && { "$wine" sc start Sigra > /dev/null 2>&1 || true; }
  sleep 0.5
done
settled=
for _ in $(seq 120); do
  curl -s http://127.0.0.1:8420/v1/printers/till1/receipts/msi-2 > "$work/settled.json" 2>&1 || true
  grep -q '"fiscalised":true' "$work/settled.json" && { settled=yes; break; }
  sleep 0.5
done
[ -n "$settled" ] && [ "$(receipts)" = 2 ] && [ "$(sale retried msi-2)" = "201 replayed" ] &&
  [ "$(receipts)" = 2 ] ||
  fail "after the kill: $(cat "$work/settled.json"), $(receipts) receipts"
echo "killed mid-receipt and started again: the key settled, one receipt"
# The operator program needs the port: the service is stopped first.
"$wine" sc stop Sigra > /dev/null 2>&1
wait_service STOPPED
by_service=$(grep -c 'device type query -> 06 2C' "$work/emulator.out" || true)

(cd "$installed" && exec "$wine" 'C:\Program Files\Sigra\sigrasw.exe' COM1 9600) \
  > "$work/program.out" 2>&1 &
identified() { grep -c 'device type query -> 06 2C' "$work/emulator.out" || true; }
for _ in $(seq 600); do
  [ "$(identified)" -gt "$by_service" ] && break
  sleep 0.2
done
[ "$(identified)" -gt "$by_service" ] || fail "the installed sigrasw.exe did not identify the printer"
echo "the installed sigrasw.exe identified the printer"
"$wine" taskkill /f /im sigrasw.exe > /dev/null 2>&1 || true
"$wineserver" -w

msiexec /i "$new" install-new
[ "$(files "$installed")" = "$(files "$packages/signed/stage/SigraSW")" ] ||
  fail "after the upgrade Program Files\\Sigra does not hold the new files"
cmp -s "$installed/sigrasw.exe" "$packages/signed/stage/SigraSW/sigrasw.exe" ||
  fail "the upgrade left the old sigrasw.exe"
[ "$(products)-x64.msi" = "${new##*/Sigra-}" ] || fail "registered after the upgrade: $(products)"
[ "$(shortcuts | wc -l)" -eq 2 ] || fail "Start-menu entries after the upgrade: $(shortcuts)"
# Without PRINTER the service is registered, not started; the configuration
# and the journal are the ones before, so the key replays.
[ "$(service_state)" = STOPPED ] || fail "after the upgrade the service is $(service_state)"
"$wine" sc start Sigra > /dev/null 2>&1
wait_service RUNNING
[ "$(sale upgraded)" = "201 replayed" ] && [ "$(receipts)" = 2 ] ||
  fail "after the upgrade the key did not replay: $(cat "$work/upgraded.json")"
echo "upgraded to ${new##*/}: one product, the new files, the service's journal kept"

msiexec /x "$new" uninstall
[ -z "$(files "$installed")" ] || fail "left under Program Files\\Sigra: $(files "$installed")"
[ -z "$(shortcuts)" ] || fail "shortcuts left: $(shortcuts)"
[ -z "$(products)" ] || fail "still registered: $(products)"
[ -z "$(service_state)" ] || fail "the service is still registered: $(service_state)"
[ -f "$data/journal.db" ] && [ -f "$data/sigrad.conf" ] ||
  fail "the uninstall took the journal or the configuration: $(ls "$data" 2>&1)"
echo "PASS: installed, sold through the service, started the program, upgraded and removed under Wine"
