#!/bin/sh
# The 32-bit Wine test where 32-bit x86 programs cannot run, and where they
# can (the probe's answer given by SIGRA_RUNS_32BIT): it skips with the reason
# in the first case, and goes on to its own checks in the second.
#   tests/runs-32bit-test.sh
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# The probe on this machine answers yes or no, with a reason for no.
status=0
why=$("$source_dir/tools/runs-32bit.sh") || status=$?
case $status in
  0) [ -z "$why" ] || fail "the probe said yes with words: $why" ;;
  1) echo "$why" | grep -q "^32-bit x86 programs do not run here" || fail "the probe's reason: $why" ;;
  *) fail "the probe exited $status" ;;
esac
status=0
SIGRA_RUNS_32BIT=perhaps "$source_dir/tools/runs-32bit.sh" 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "an unknown SIGRA_RUNS_32BIT was taken (exit $status)"

# Cannot: skipped, with the reason.
mkdir "$work/empty"
status=0
out=$(SIGRA_RUNS_32BIT=no "$source_dir/tests/wine-test.sh" --build-dir "$work/empty" \
  --linux-build-dir "$work/empty") || status=$?
[ $status -eq 77 ] || fail "without 32-bit programs the Wine test exited $status: $out"
[ "$out" = "SKIP: 32-bit x86 programs do not run here (SIGRA_RUNS_32BIT=no), so the 32-bit Wine cannot run" ] ||
  fail "the skip's reason: $out"

# Can: past the probe to the test's own checks, which fail on the empty
# build folders (or skip for a missing Wine).
status=0
out=$(SIGRA_RUNS_32BIT=yes "$source_dir/tests/wine-test.sh" --build-dir "$work/empty" \
  --linux-build-dir "$work/empty" 2>&1) || status=$?
case $out in
  *"32-bit x86 programs"*) fail "with 32-bit programs the Wine test still skipped: $out" ;;
  *"FAIL: $work/empty/commands/pos_client.exe is missing"* | "SKIP: Wine for win32 not found"*) ;;
  *) fail "with 32-bit programs the Wine test said: $out" ;;
esac

# The 64-bit Wine needs no 32-bit programs.
status=0
out=$(SIGRA_RUNS_32BIT=no "$source_dir/tests/wine-test.sh" --win64 --build-dir "$work/empty" \
  --linux-build-dir "$work/empty" 2>&1) || status=$?
case $out in
  *"32-bit x86 programs"*) fail "the 64-bit Wine test skipped for 32-bit programs: $out" ;;
esac
echo "PASS"
