#!/bin/sh
# Builds the example of a sale (examples/sell.c) that is never printed twice and runs
# it against the emulator, with no fault and with the printer's power cut at
# each point of the closing, checking what it concludes against the printer's
# receipt counter.
#   tests/recovery-test.sh BUILD_DIR
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/sigra-recovery-XXXXXX)
emulator_pid=
cleanup() {
  if [ -n "$emulator_pid" ]; then kill "$emulator_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "recovery test: $*" >&2
  exit 1
}

cc -Wall -Werror "$source_dir/examples/sell.c" -I"$source_dir/include" -L"$build_dir/commands" \
  -Wl,-rpath,"$build_dir/commands" -lsigradrv -o "$work/sell"

. "$source_dir/tests/controlled-emulator.sh"
start_controlled_emulator "$build_dir/emulator/sigra-emu" 3

counter() {
  "$build_dir/sigractl/sigractl" --timeout 1 receipt-number
}

# sale POINT PRICE EXPECTED-OUTPUT EXPECTED-STATUS
sale() {
  if [ "$1" != none ]; then control "cut $1 500"; fi
  status=0
  "$work/sell" "$2" > "$work/out" 2> "$work/err" || status=$?
  [ "$(cat "$work/out")" = "$3" ] && [ "$status" = "$4" ] ||
    fail "cut $1: printed '$(cat "$work/out")' with status $status, expected '$3' and $4"
}

sale none 450 "fiscalised: receipt 1" 0
sale before-end 451 "not fiscalised" 1
[ "$(counter)" = 1 ] || fail "a receipt cut before its closing was counted"
sale after-ack 452 "fiscalised: receipt 2" 0
grep -q '^sale failed with 21' "$work/err" || fail "the cut after the acknowledgement did not fail the closing"
sale printing 453 "fiscalised: receipt 3" 0
grep -q '^sale failed with 21' "$work/err" || fail "the cut during printing did not fail the closing"
[ "$(counter)" = 3 ] || fail "the printer counted $(counter) receipts, not 3"
for total in 4,50 4,52 4,53; do
  grep -q "| SUMA PLN  *$total\$" "$work/emulator.log" || fail "no receipt of $total printed"
done
! grep -q "| SUMA PLN  *4,51\$" "$work/emulator.log" || fail "the receipt cut before its closing was printed"
echo "recovery test: each cut concluded as the printer's counter shows"
