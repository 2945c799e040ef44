#!/bin/sh
# Builds sigrad and the emulator, starts an emulated printer and the service
# on it, and prints a curl line that sells a receipt; Ctrl-C stops both.
#   tools/run-service.sh [--type N] [--port PORT] [BUILD_DIR]
#     --type N     device type 0..9 of the emulated printer, default 7, a Luno
#     --port PORT  the service's port on 127.0.0.1, default 8420
#     BUILD_DIR    build directory, default build
# The journal and the printer's port link live in a temporary folder that is
# removed at the end.
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
type=7
port=8420
while [ $# -gt 0 ]; do
  case $1 in
    --type) type=${2:?--type needs a device type 0..9}; shift 2 ;;
    --port) port=${2:?--port needs a TCP port}; shift 2 ;;
    *) break ;;
  esac
done
build_dir=${1:-$source_dir/build}

if [ ! -x "$build_dir/sigrad/sigrad" ] || [ ! -x "$build_dir/emulator/sigra-emu" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --parallel 2 --target sigrad sigra-emu >/dev/null

work=$(mktemp -d)
emulator_pid=
service_pid=
stop() {
  [ -z "$service_pid" ] || kill "$service_pid" 2>/dev/null || true
  [ -z "$emulator_pid" ] || kill "$emulator_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

mkdir "$work/ports"
"$build_dir/emulator/sigra-emu" --type "$type" --link "$work/ports" --port 1 &
emulator_pid=$!
for _ in $(seq 50); do [ -e "$work/ports/com1" ] && break; sleep 0.1; done
SIGRA_DOSDEVICES="$work/ports" "$build_dir/sigrad/sigrad" --printer till1=COM1:9600 \
  --listen "127.0.0.1:$port" --journal "$work/journal.db" &
service_pid=$!
for _ in $(seq 100); do
  curl -fs "http://127.0.0.1:$port/healthz" >/dev/null 2>&1 && break
  sleep 0.1
done

cat <<EOT

sigrad serves printer till1 (an emulated device type $type) on http://127.0.0.1:$port.
Sell a receipt:

curl -s -X POST http://127.0.0.1:$port/v1/printers/till1/receipts \\
  -H 'Content-Type: application/json' -H "Idempotency-Key: \$(date +%s%N)" \\
  -d '{"items":[{"name":"Chleb razowy 500g","rate":"A","quantity":2,"unit":"szt","price":"4.50"}],"payments":[{"name":"Gotówka","paid":"10.00","change":"1.00"}]}'

Ctrl-C stops the service and the printer.
EOT
wait "$service_pid"
