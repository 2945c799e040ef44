#!/bin/bash
# The service's HTTP tests against sigrad.exe under wine64, with Python on the
# Linux side over TCP, then sigrad.exe as a service of Wine's service manager
# (sc create/start/query/stop) selling on COM1.
#   tests/sigrad/wine-run.sh PYTHON SIGRAD_EXE SIGRA_EMU
# COM1 and COM2 are Wine's Ports entries naming links in a folder of the
# test's own; each test points them at its emulators (see conftest.py).
# Exits 77 (skipped) when sigrad.exe, Wine or pytest is missing.
set -euo pipefail
python=$1 sigrad_exe=$2 emulator=$3
here=$(cd "$(dirname "$0")" && pwd)

. "$here/../wine-lib.sh"
if ! wine_find win64; then
  echo "SKIP: wine64 not found (package wine64)"
  exit 77
fi
if [ ! -f "$sigrad_exe" ]; then
  echo "SKIP: $sigrad_exe was not built (tools/windows-libs.sh makes its libraries)"
  exit 77
fi
if ! "$python" -c 'import pytest, requests' 2>/dev/null; then
  echo "SKIP: $python lacks pytest or requests"
  exit 77
fi

work=$(mktemp -d)
emulator_pid=
unset DISPLAY
cleanup() {
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
  [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null && wait "$emulator_pid" || true
  rm -rf "$work"
}
trap cleanup EXIT

wine_prefix "$work/prefix" win64
mkdir "$work/ports"
for n in 1 2; do wine_port $n "$work/ports/com$n"; done
# One server for all the tests, rather than one started for each.
"$wineserver" -p > "$work/wineserver.log" 2>&1

# Left out, Linux-only: TLS (not in the Windows build), the worker's
# process found and killed through /proc, SIGHUP, and systemd's state
# directory.
status=0
SIGRAD=$sigrad_exe SIGRA_EMU=$emulator SIGRAD_WINE=$wine SIGRAD_WINE_PORTS=$work/ports \
  PYTHONDONTWRITEBYTECODE=1 "$python" -m pytest -q -p no:cacheprovider -rs \
  "$here/test_service.py" "$here/test_requests.py" \
  -k "not https and not dead_printer_process" || status=1

# The service: options from %ProgramData%\Sigra\sigrad.conf, its log beside.
data=$WINEPREFIX/drive_c/ProgramData/Sigra
mkdir -p "$data"
printf '# Sigra\r\n--printer till1=COM1\r\n--listen 127.0.0.1:18420\r\n' > "$data/sigrad.conf"
"$emulator" --type 7 --link "$work" --port 1 > "$work/emulator.log" 2>&1 &
emulator_pid=$!
for _ in $(seq 50); do [ -L "$work/com1" ] && break; sleep 0.1; done
ln -sfn "$work/com1" "$work/ports/com1"
windows_exe="Z:$(echo "$sigrad_exe" | tr / '\\')"
"$wine" sc create Sigra binPath= "\"$windows_exe\" --service" > "$work/sc.log" 2>&1 &&
  "$wine" sc start Sigra >> "$work/sc.log" 2>&1 || { echo "FAIL: sc create/start"; status=1; }
running=
for _ in $(seq 120); do
  if "$wine" sc query Sigra 2>/dev/null | grep -q RUNNING &&
    curl -sf http://127.0.0.1:18420/v1/printers > "$work/printers.json"; then
    running=yes
    break
  fi
  sleep 0.5
done
if [ -z "$running" ]; then
  echo "FAIL: the service did not come to RUNNING and answer"; status=1
elif ! grep -q '"online":true' "$work/printers.json"; then
  echo "FAIL: the service does not see its printer: $(cat "$work/printers.json")"; status=1
else
  sale='{"items":[{"name":"Chleb","rate":"A","quantity":1,"unit":"szt","price":"4.50"}]}'
  for attempt in first again; do
    curl -s -o "$work/sale-$attempt.json" -w '%{http_code}\n' -H 'Idempotency-Key: svc-1' \
      -H 'Content-Type: application/json' -d "$sale" \
      http://127.0.0.1:18420/v1/printers/till1/receipts >> "$work/sale-codes"
  done
  if [ "$(tr '\n' ' ' < "$work/sale-codes")" != "201 201 " ] ||
    ! cmp -s "$work/sale-first.json" "$work/sale-again.json" ||
    [ "$(grep -c 'PARAGON NR' "$work/emulator.log")" != 1 ]; then
    echo "FAIL: a sale through the service, then its replay: $(cat "$work/sale-codes")"
    status=1
  fi
fi
"$wine" sc stop Sigra >> "$work/sc.log" 2>&1 || true
for _ in $(seq 60); do
  "$wine" sc query Sigra 2>/dev/null | grep -q STOPPED && break
  sleep 0.5
done
if ! "$wine" sc query Sigra 2>/dev/null | grep -q STOPPED; then
  echo "FAIL: the service did not stop"; status=1
fi
if ! grep -q 'started by the service manager' "$data/sigrad.log" 2>/dev/null; then
  echo "FAIL: no log in $data/sigrad.log"; status=1
fi
echo "--- service's log"; cat "$data/sigrad.log" 2>/dev/null || true
echo "--- sc"; tr -d '\r' < "$work/sc.log"
[ $status -eq 0 ] && echo "PASS: the service's tests and the Windows service under Wine"
exit $status
