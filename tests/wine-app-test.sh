#!/bin/bash
# Runs the operator program built for 64-bit Windows under wine64 and Xvfb
# against the printer emulator, the way an operator uses it: started with
# "COM1 9600", it must open its main window and identify the printer; the
# daily report chosen from the menu by keys, and confirmed in the question
# box, must come out on the printer. Takes pictures of the main window, the
# question box, the communication dialog and the user-data editor.
#
#   tests/wine-app-test.sh --build-dir WIN64DIR --linux-build-dir LINUXDIR
#                          [--screenshots DIR]
#
# WIN64DIR is a 64-bit cross build holding app/sigrasw.exe (tools/windows-app.sh);
# LINUXDIR a Linux build with sigra-emu. Exits 77 (skipped) when the program
# was not built (no Qt for Windows) or wine64, Xvfb or xdotool is missing.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
windows_dir=
linux_dir=
shots=
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) windows_dir=$2; shift 2 ;;
    --linux-build-dir) linux_dir=$2; shift 2 ;;
    --screenshots) shots=$2; shift 2 ;;
    *) echo "usage: $0 --build-dir WIN64DIR --linux-build-dir LINUXDIR [--screenshots DIR]" >&2
       exit 2 ;;
  esac
done
[ -n "$windows_dir" ] && [ -n "$linux_dir" ] || { echo "usage: see $0" >&2; exit 2; }

exe=$(realpath -m "$windows_dir/app/sigrasw.exe")
if [ ! -f "$exe" ]; then
  echo "SKIP: $exe was not built (no Qt for Windows: tools/windows-qt.sh makes one)"
  exit 77
fi
. "$(dirname "$0")/wine-lib.sh"
if ! wine_find win64; then
  echo "SKIP: wine64 not found (package wine64)"
  exit 77
fi
for tool in Xvfb xdotool xwininfo; do
  if ! command -v $tool >/dev/null 2>&1; then
    echo "SKIP: $tool not found (packages xvfb, xdotool, x11-utils)"
    exit 77
  fi
done
emulator=$linux_dir/emulator/sigra-emu
[ -x "$emulator" ] || { echo "FAIL: $emulator is missing"; exit 1; }

work=$(mktemp -d)
[ -n "$shots" ] || shots=$work/shots
mkdir -p "$shots"
emulator_pid=
xvfb_pid=
program_pid=

cleanup() {
  if [ -d "$work/prefix" ]; then
    WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
  fi
  [ -z "$program_pid" ] || wait "$program_pid" 2>/dev/null || true
  if [ -n "$emulator_pid" ]; then
    kill -TERM "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- printer journal"
  tail -n +2 "$work/emulator.out" | tail -40
  echo "--- the program's output"
  tail -20 "$work/program.log" 2>/dev/null || true
  echo "--- windows"
  xwininfo -root -tree 2>/dev/null | grep '"' | head -20 || true
  exit 1
}

# Waits up to $1 seconds for a line matching $2 in the printer's journal.
wait_journal() {
  local seconds=$1 pattern=$2
  for _ in $(seq $((seconds * 5))); do
    grep -q "$pattern" "$work/emulator.out" && return 0
    sleep 0.2
  done
  return 1
}

# Waits up to $1 seconds for a top-level window whose title holds $2 and
# prints its id.
wait_window() {
  local seconds=$1 title=$2 id
  for _ in $(seq $((seconds * 5))); do
    id=$(xdotool search --name "$title" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Waits until the journal has not grown for $1 seconds: the printer and the
# program are done talking.
wait_quiet() {
  local before now
  before=$(wc -l < "$work/emulator.out")
  while true; do
    sleep "$1"
    now=$(wc -l < "$work/emulator.out")
    [ "$now" -eq "$before" ] && return 0
    before=$now
  done
}

# Takes a picture of the screen, cut to window $2's frame, as $1.png.
shot() {
  local name=$1 id=$2 geometry
  geometry=$(xwininfo -id "$id" | awk '
    /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF}
    END {printf "%dx%d+%d+%d", w, h, x, y}')
  if command -v import >/dev/null 2>&1; then
    import -display "$DISPLAY" -window root -crop "$geometry" +repage "$shots/$name.png"
    echo "picture: $shots/$name.png ($geometry)"
  fi
}

focus() {
  xdotool windowfocus --sync "$1"
  sleep 0.5
}

# The screen, and the printer with five receipts sold today (so the daily
# report asks before it prints) behind the prefix's COM1.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")

wine_prefix "$work/prefix" win64
mkdir -p "$work/emu"
"$emulator" --type 3 --receipts 5 --link "$work/emu" --port 1 --data-timeout 10000 \
  > "$work/emulator.out" &
emulator_pid=$!
for _ in $(seq 50); do
  [ -L "$work/emu/com1" ] && break
  sleep 0.1
done
[ -L "$work/emu/com1" ] || fail "the emulator did not start"
wine_port 1 "$work/emu/com1"

started=$(date +%s)
(cd "$(dirname "$exe")" && exec "$wine" "$exe" COM1 9600) > "$work/program.log" 2>&1 &
program_pid=$!

main=$(wait_window 120 "Program u") || fail "the main window did not appear"
echo "main window: $(xwininfo -id "$main" | sed -n 's/^xwininfo: Window id: //p')"
wait_journal 120 'device type query -> 06 2C' || fail "the program did not identify the printer"
wait_journal 30 'model query' || fail "the program did not ask for the printer's model"
echo "printer identified after $(($(date +%s) - started)) s"
wait_quiet 2
shot main "$main"

# Raporty > Fiskalny dobowy, then "Tak" in the question box.
focus "$main"
xdotool key alt+r
sleep 0.5
xdotool key Return
question=$(wait_window 60 "Odpowiedz") || fail "the daily report did not ask to go on"
shot question "$question"
focus "$question"
xdotool key Return
wait_journal 120 'RAPORT FISKALNY DOBOWY' || fail "the daily report was not printed"
echo "daily report printed"
wait_quiet 3

# Komunikacja > Parametry: the communication dialog.
main=$(wait_window 10 "Program u") || fail "the main window is gone"
focus "$main"
xdotool key alt+k
sleep 0.5
xdotool key Return
dialog=$(wait_window 30 "Ustaw parametry komunikacji") || fail "the communication dialog did not open"
shot communication "$dialog"
focus "$dialog"
xdotool key Escape
sleep 1

# Serwis > Użytkownik: the user-data editor, after the program read the clock.
focus "$main"
xdotool key alt+k
sleep 0.5
xdotool key Left
sleep 0.5
xdotool key Return
editor=$(wait_window 60 "Dane u") || fail "the user-data editor did not open"
sleep 1
shot user-data "$editor"
focus "$editor"
xdotool key Escape
sleep 1

echo "--- printer journal"
tail -n +2 "$work/emulator.out" | grep -v '^status' | head -60
echo "PASS: the Windows program under Wine identified the printer and printed the daily report"
