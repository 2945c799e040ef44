#!/bin/sh
# Builds and runs each program of examples/ against the printer emulator, as
# an integrator would run them: the C point-of-sale program and the C++ one;
# the never-twice sale in C, C++ and Python, with the printer's power cut
# during the closing, each conclusion checked against what the printer
# printed; then, with sigrad on the same printer, the Node.js client (its key
# sent twice, one receipt printed) and the browser page in headless Chromium.
# The Python part needs python3, the Node.js part node and sigrad, the browser part npm
# and chromium (playwright-core is installed into BUILD_DIR/examples-npm from
# the lock file in tests/examples/); each missing one is reported and skipped.
#   tests/examples-test.sh BUILD_DIR
# SIGRA_EMU and SIGRAD name the programs when set; otherwise they are taken
# from BUILD_DIR.
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
examples=$source_dir/examples
emulator=${SIGRA_EMU:-$build_dir/emulator/sigra-emu}
sigrad=${SIGRAD:-$build_dir/sigrad/sigrad}
driver_dir=$build_dir/commands
chromium=${CHROMIUM:-/usr/bin/chromium}
work=$(mktemp -d /tmp/sigra-examples-XXXXXX)
emulator_pid=
service_pid=
cleanup() {
  [ -z "$service_pid" ] || kill "$service_pid" 2>/dev/null || true
  [ -z "$emulator_pid" ] || kill "$emulator_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "examples test: $*" >&2
  exit 1
}
skip() {
  echo "examples test: skipped $*"
}

# The examples built against the build tree, warnings as errors.
link="-I$source_dir/include -L$driver_dir -Wl,-rpath,$driver_dir -lsigradrv"
# shellcheck disable=SC2086
{
  cc -Wall -Wextra -Werror "$examples/pos.c" $link -o "$work/pos-c"
  c++ -std=c++17 -Wall -Wextra -Werror "$examples/pos.cpp" $link -o "$work/pos-cpp"
  cc -Wall -Wextra -Werror "$examples/sell.c" $link -o "$work/sell-c"
  c++ -std=c++17 -Wall -Wextra -Werror "$examples/sell.cpp" $link -o "$work/sell-cpp"
} || fail "an example did not build"

. "$source_dir/tests/controlled-emulator.sh"
start_controlled_emulator "$emulator" 7
# printed TOTAL: how many receipts of that total the printer printed.
printed() {
  grep -c "^| SUMA PLN  *$1\$" "$work/emulator.log" || true
}
# expect OUTPUT STATUS PROGRAM...: runs the program, checks its output and status.
expect() {
  want_out=$1
  want_status=$2
  shift 2
  status=0
  "$@" > "$work/out" 2> "$work/err" || status=$?
  [ "$(cat "$work/out")" = "$want_out" ] && [ "$status" = "$want_status" ] ||
    fail "$*: printed '$(cat "$work/out")' with status $status, expected '$want_out' and $want_status ($(cat "$work/err"))"
}

# The point-of-sale programs: the printer's name, and the C one's receipt.
expect "printer: Nowa drukarka fiskalna" 0 "$work/pos-c"
[ ! -s "$work/err" ] || fail "pos.c reported failures: $(cat "$work/err")"
[ "$(printed 14,24)" = 1 ] || fail "pos.c did not print its receipt of 14,24"
expect "printer: VELMO LUNO" 0 "$work/pos-cpp"
receipts=1

# sale CUT PRICE PROGRAM...: one never-twice sale with the power cut at CUT
# (none: no cut), its conclusion held to the printer's paper.
sale() {
  cut=$1
  price=$2
  shift 2
  total=$(printf '%d,%02d' $((price / 100)) $((price % 100)))
  [ "$(printed "$total")" = 0 ] || fail "the test reuses the price $price"
  [ "$cut" = none ] || control "cut $cut 500"
  if [ "$cut" = before-end ]; then
    expect "not fiscalised" 1 "$@" "$price"
    [ "$(printed "$total")" = 0 ] || fail "$*: a receipt cut before its closing was printed"
  else
    receipts=$((receipts + 1))
    expect "fiscalised: receipt $receipts" 0 "$@" "$price"
    [ "$(printed "$total")" = 1 ] || fail "$*: the receipt of $total was not printed once"
  fi
  if [ "$cut" != none ]; then
    grep -q 'sale failed with' "$work/err" || fail "$*: the cut at $cut did not fail the sale"
  fi
}
sale none 450 "$work/sell-c"
sale after-ack 451 "$work/sell-c"
sale none 460 "$work/sell-cpp"
sale before-end 461 "$work/sell-cpp"
sale after-ack 462 "$work/sell-cpp"
if command -v python3 >/dev/null 2>&1; then
  run_python() {
    PYTHONPATH=$source_dir/python SIGRA_LIBRARY=$driver_dir/libsigradrv.so.1 \
      python3 "$examples/sell.py" "$@"
  }
  sale none 470 run_python
  sale before-end 471 run_python
  sale printing 472 run_python
else
  skip "sell.py: no python3"
fi

if ! command -v node >/dev/null 2>&1 || [ ! -x "$sigrad" ]; then
  skip "sell-http.mjs and till.html: no node, or no sigrad at $sigrad"
  echo "examples test: every example ran"
  exit 0
fi
page_port=$(node -e 'const s = require("net").createServer().listen(0, "127.0.0.1",
  () => { console.log(s.address().port); s.close(); });')
"$sigrad" --printer till1=COM1 --listen 127.0.0.1:0 --journal "$work/journal.db" \
  --allow-origin "http://127.0.0.1:$page_port" 2> "$work/sigrad.log" &
service_pid=$!
for _ in $(seq 100); do grep -q 'listening on' "$work/sigrad.log" && break; sleep 0.1; done
service=$(sed -n 's/^sigrad: listening on \(http:[^ ]*\).*/\1/p' "$work/sigrad.log")
[ -n "$service" ] || fail "sigrad did not start: $(cat "$work/sigrad.log")"

# The Node.js client, its key sent twice: the second answer is the first one's.
receipts=$((receipts + 1))
for _ in 1 2; do
  expect "fiscalised: receipt $receipts, total 14.24" 0 \
    node "$examples/sell-http.mjs" "$service" till1 examples-test-1
done
[ "$(printed 14,24)" = 2 ] || fail "sell-http.mjs: its receipt was not printed once"

if ! command -v npm >/dev/null 2>&1 || [ ! -x "$chromium" ]; then
  skip "till.html: no npm or no $chromium"
  echo "examples test: every example ran"
  exit 0
fi
cache=$build_dir/examples-npm
mkdir -p "$cache"
if ! cmp -s "$source_dir/tests/examples/package-lock.json" "$cache/installed-lock.json"; then
  cp "$source_dir/tests/examples/package.json" "$source_dir/tests/examples/package-lock.json" "$cache/"
  (cd "$cache" && npm ci --no-audit --no-fund --loglevel=error) || fail "npm ci failed"
  cp "$source_dir/tests/examples/package-lock.json" "$cache/installed-lock.json"
fi
cp "$source_dir/tests/examples/browser.mjs" "$cache/"
receipts=$((receipts + 1))
expect "fiscalised: receipt $receipts, total 4.50" 0 \
  node "$cache/browser.mjs" "$examples" "$page_port" "$service" "$chromium"
[ "$(printed 4,50)" = 2 ] || fail "till.html: its receipt was not printed once"
echo "examples test: every example ran"
