#!/bin/sh
# Tells whether this machine runs 32-bit x86 programs, which the 32-bit Wine
# needs: some kernels are built without them, and then `wine32:i386` installs
# cleanly yet every 32-bit program fails with "Exec format error".
#   tools/runs-32bit.sh     exits 0 when they run; else prints why and exits 1
# SIGRA_RUNS_32BIT=yes or =no answers without trying (for tests of both ways).
set -eu
case ${SIGRA_RUNS_32BIT:-} in
  yes) exit 0 ;;
  no) echo "32-bit x86 programs do not run here (SIGRA_RUNS_32BIT=no)"; exit 1 ;;
  '') ;;
  *) echo "runs-32bit: SIGRA_RUNS_32BIT must be yes or no, not '$SIGRA_RUNS_32BIT'" >&2; exit 2 ;;
esac

# The smallest 32-bit x86 Linux program: one ELF header, one loadable segment,
# and the code `mov eax, 1; mov ebx, 42; int 0x80`, which exits with 42.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '\177\105\114\106\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\273\52\0\0\0\315\200' \
  > "$dir/exit42"
chmod +x "$dir/exit42"
status=0
"$dir/exit42" 2>/dev/null || status=$?
[ "$status" -eq 42 ] && exit 0
echo "32-bit x86 programs do not run here (the kernel refuses them: exit $status)"
exit 1
