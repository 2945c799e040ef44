#!/bin/sh
# Installs what building and testing Sigra needs on Debian 12: the compiler,
# CMake, GoogleTest and Google Benchmark, Qt 6 Widgets with its Polish
# translation, Xvfb and the X tools the window tests use, Python with venv,
# pytest, Hypothesis, requests and jsonschema, cpp-httplib, nlohmann-json, SQLite and OpenSSL, the
# Windows cross compilers, rsvg-convert (the Windows icon), wixl, msitools and
# osslsigncode (the Windows installer and its signature), Tcl (SQLite's
# amalgamation for sigrad.exe is made with it), help2man, cmark-gfm
# (the user guide in HTML) and the Debian packaging tools.
#
# A failed `apt-get update` (one index of a mirror being synced, say) does not
# stop it: the packages are installed from the indexes at hand. It fails,
# naming the package, only when something the build or the main tests need
# cannot be installed. Chromium, lintian, Wine and the 32-bit Wine are
# installed where they can be had; the tests that need them skip without them,
# and a line says which were left out.
set -eu
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

required="build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n xvfb xauth xdotool x11-utils imagemagick
  python3-venv python3-pytest python3-setuptools python3-wheel python3-hypothesis
  python3-requests python3-jsonschema
  libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libssl-dev openssl curl
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix librsvg2-bin wixl msitools osslsigncode
  tcl help2man man-db cmark-gfm dpkg-dev fakeroot file adduser"
optional="chromium lintian wine64"

# Quiet on success; apt's own words when it fails.
apt_install() {
  log=$(mktemp)
  if apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "$@" \
      >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  grep -E '^(E|W):' "$log" >&2 || tail -n 5 "$log" >&2
  rm -f "$log"
  return 1
}

# The 32-bit Wine runs the 32-bit Windows DLL's test, where the kernel runs
# 32-bit programs at all. The architecture is added for it and taken away
# again when it cannot be installed, so that later updates do not fetch
# indexes for nothing.
source_dir=$(cd "$(dirname "$0")/.." && pwd)
runs_32bit=yes
why_not_32bit=$("$source_dir/tools/runs-32bit.sh") || runs_32bit=no
added_i386=no
keep_i386=no
drop_i386() {
  if [ "$added_i386" = yes ] && [ "$keep_i386" = no ]; then
    dpkg --remove-architecture i386 2>/dev/null || true
  fi
}
trap drop_i386 EXIT
if [ "$runs_32bit" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  added_i386=yes
fi

if ! apt-get update -qq; then
  echo "Sigra: apt-get update failed for some package indexes (above); going on with those at hand."
fi

# shellcheck disable=SC2086 # the lists are split into package names
if ! apt_install $required 2>/dev/null; then
  missing=
  for package in $required; do
    if ! dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q ' installed$'; then
      apt_install "$package" || missing="$missing $package"
    fi
  done
  if [ -n "$missing" ]; then
    echo "Sigra: cannot install what the build and its tests need:$missing" >&2
    exit 1
  fi
fi

left_out=
for package in $optional; do
  apt_install "$package" 2>/dev/null || left_out="$left_out $package"
done
if [ -n "$left_out" ]; then
  echo "Sigra: not installed (the tests that need them skip):$left_out"
fi

# The wrapper `wine` only with the 32-bit Wine: without it the Wine test of the
# 32-bit DLL skips rather than failing.
if [ "$runs_32bit" = no ]; then
  echo "Sigra: 32-bit Wine not installed: $why_not_32bit; the Wine test of the 32-bit DLL skips."
elif apt_install wine wine32:i386 2>/dev/null; then
  keep_i386=yes
  echo "Sigra: 32-bit Wine installed."
else
  echo "Sigra: 32-bit Wine (wine32:i386) cannot be installed here; the Wine test of the 32-bit DLL skips."
fi
echo "Sigra: build dependencies installed."
