#!/bin/sh
# Makes a program's manual page from its --help with help2man, gzipped as
# Debian ships them. A program without --help gets an empty file, which the
# install leaves out, and a note.
#   tools/man-page.sh OUT.1.gz PROGRAM VERSION DESCRIPTION
set -u
out=$1 program=$2 version=$3 description=$4
page=$out.page
# Without a display a graphical program answers --help, or stops at once.
# In a UTF-8 locale (help2man sets its own, C unless told), so that the
# Polish letters of the help come out right.
if env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LC_ALL=C.UTF-8 LANG=C.UTF-8 \
  timeout 20 help2man --no-info --locale=C.UTF-8 \
  --version-string="$version" --name="$description" --output="$page" "$program" 2>/dev/null; then
  gzip -9nc "$page" > "$out"
else
  echo "man page: $(basename "$program") does not answer --help; no manual page for it" >&2
  : > "$out"
fi
rm -f "$page"
