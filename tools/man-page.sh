#!/bin/sh
# Makes a program's manual page from its --help with help2man, gzipped as
# Debian ships them. A program without --help gets an empty file, which the
# install leaves out, and a note.
#   tools/man-page.sh OUT.1.gz PROGRAM VERSION DESCRIPTION [INCLUDE.h2m]
# INCLUDE.h2m, in help2man's --include format, adds the sections --help does
# not give (SYNOPSIS, FILES, ENVIRONMENT, SEE ALSO). When it gives a
# SYNOPSIS, the usage lines that begin the program's --help (its first line
# and the indented lines after it) are left out of the DESCRIPTION. A line of
# it that is one [...] alone starts a section there: keep two on a line.
set -u
out=$1 program=$2 version=$3 description=$4 include=${5:-}
page=$out.page
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=$program
if [ -n "$include" ] && grep -q '^\[SYNOPSIS\]' "$include"; then
  # help2man reads the help of a program of the same name that drops them.
  run=$work/$(basename "$program")
  cat > "$run" <<'SCRIPT'
#!/bin/sh
if [ "$1" = --help ]; then
  "$SIGRA_MAN_PROGRAM" --help > "$SIGRA_MAN_HELP" || exit
  awk 'NR == 1 && /^(usage|Usage|Użycie):/ { skip = 1; next }
       skip && /^ / { next }
       { skip = 0; print }' "$SIGRA_MAN_HELP"
else
  exec "$SIGRA_MAN_PROGRAM" "$@"
fi
SCRIPT
  chmod +x "$run"
fi
# Without a display a graphical program answers --help, or stops at once.
# In a UTF-8 locale (help2man sets its own, C unless told), so that the
# Polish letters of the help come out right.
if env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LC_ALL=C.UTF-8 LANG=C.UTF-8 \
  SIGRA_MAN_PROGRAM="$program" SIGRA_MAN_HELP="$work/help" \
  timeout 20 help2man --no-info --locale=C.UTF-8 ${include:+--include="$include"} \
  --version-string="$version" --name="$description" --output="$page" "$run" 2>/dev/null; then
  gzip -9nc "$page" > "$out"
else
  echo "man page: $(basename "$program") does not answer --help; no manual page for it" >&2
  : > "$out"
fi
rm -f "$page"
