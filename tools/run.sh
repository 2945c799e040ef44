#!/bin/sh
# Builds Sigra and starts the operator program SigraSW on an emulated printer:
# the emulator's pseudo-terminal becomes COM1 of a private dosdevices folder
# and SigraSW connects to it at 9600 bit/s.
#   tools/run.sh [--type N] [--clock-erased] [--fiscal] [--receipts N]
#                [--names-full] [--speed B] [--service-jumper] [BUILD_DIR]
#     --type N       device type 0..9, default 7, a Luno
#     --clock-erased, --fiscal, --receipts N, --names-full, --speed B,
#     --service-jumper
#                    the printer's state at start (see sigra-emu --help)
#     BUILD_DIR      build directory, default build
# Without a display, run it under a virtual X server:
#   xvfb-run -a tools/run.sh
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
type=7
state=""
while [ $# -gt 0 ]; do
  case $1 in
    --type) type=${2:?--type needs a device type 0..9}; shift 2 ;;
    --receipts) state="$state --receipts ${2:?--receipts needs a number}"; shift 2 ;;
    --speed) state="$state --speed ${2:?--speed needs 9600, 19200 or 28800}"; shift 2 ;;
    --clock-erased | --fiscal | --names-full | --service-jumper) state="$state $1"; shift ;;
    *) break ;;
  esac
done
build_dir=${1:-$source_dir/build}

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run SigraSW in a virtual X server instead:  xvfb-run -a tools/run.sh" >&2
  exit 1
fi

if [ ! -x "$build_dir/app/sigrasw" ] || [ ! -x "$build_dir/emulator/sigra-emu" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --parallel 2 --target sigrasw sigra-emu >/dev/null

ports=$(mktemp -d)
# shellcheck disable=SC2086 # the state options are words of their own
"$build_dir/emulator/sigra-emu" --type "$type" $state --link "$ports" --port 1 >"$ports/journal" &
emulator=$!
trap 'kill "$emulator" 2>/dev/null; wait "$emulator" 2>/dev/null; rm -rf "$ports"' EXIT
trap 'exit 130' INT TERM
tries=0
until [ -L "$ports/com1" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 50 ] || ! kill -0 "$emulator" 2>/dev/null; then
    echo "run.sh: the printer emulator did not start:" >&2
    cat "$ports/journal" >&2
    exit 1
  fi
  sleep 0.1
done
echo "Printer of type $type emulated on $(head -n 1 "$ports/journal")"

SIGRA_DOSDEVICES="$ports" "$build_dir/app/sigrasw" COM1 9600
