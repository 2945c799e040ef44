#!/bin/bash
# Cross-builds a static Qt (Core, Gui, Widgets, the Windows platform plugin)
# for 64-bit Windows from Debian's own qt6-base source, the same version as
# the host's qt6-base-dev whose moc, rcc and uic the build uses, and installs
# it into a cache outside the checkout:
#   tools/windows-qt.sh          # into $SIGRA_WINDOWS_QT, default ~/.cache/sigra/qt6-win64
# Does nothing when the cache already holds a Qt of that version, built with
# these features. Adds a deb-src entry for the archive the system installs
# from (needs root, as apt-get does). Takes about 15 minutes of two cores.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
prefix=${SIGRA_WINDOWS_QT:-$HOME/.cache/sigra/qt6-win64}
stamp=$prefix/sigra-qt-version
jobs=${SIGRA_JOBS:-$(nproc)}

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$version" ]; then
  echo "windows-qt: qt6-base-dev is not installed; its tools build the Windows Qt" >&2
  exit 1
fi
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "windows-qt: x86_64-w64-mingw32-g++-posix not found (package g++-mingw-w64-x86-64-posix)" >&2
  exit 1
fi

mkdir -p "$(dirname "$prefix")"
# One build at a time: a second caller waits and then finds the cache filled.
exec 9>"$prefix.lock"
flock 9
# What goes into the Qt; a cache built otherwise is built again.
features=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF)
wanted="$version ${features[*]}"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  echo "windows-qt: Qt $version for Windows is in $prefix"
  exit 0
fi

started=$(date +%s)
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The source comes from the archive the binary packages come from.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  . /etc/os-release
  debian_sources=/etc/apt/sources.list.d/debian.sources
  uris=$(sed -n 's/^URIs: *//p' "$debian_sources" 2>/dev/null | head -1)
  signed_by=$(sed -n 's/^Signed-By: *//p' "$debian_sources" 2>/dev/null | head -1)
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
    "${uris:-http://deb.debian.org/debian}" "$VERSION_CODENAME" \
    "${signed_by:-/usr/share/keyrings/debian-archive-keyring.gpg}" |
    as_root tee /etc/apt/sources.list.d/sigra-deb-src.sources >/dev/null
  # A mirror caught mid-sync fails some other index; the source's may be there.
  as_root apt-get update -qq -o DPkg::Lock::Timeout=600 ||
    echo "windows-qt: apt-get update failed; trying the source indexes that came" >&2
fi

# The build tree stays until the install is done, so that an interrupted
# build resumes where it stopped.
work=$prefix.build
rm -rf "$prefix"
if [ "$(cat "$work/version" 2>/dev/null)" != "$version" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  apt-get source --download-only -qq "qt6-base=$version" >/dev/null 2>&1 ||
    apt-get source --download-only "qt6-base=$version"
  tar -xf qt6-base_*.orig.tar.xz
  rm qt6-base_*
  # Written once the source is complete: a later run goes on from here.
  echo "$version" > version
fi
cd "$work"
top=qtbase-everywhere-src-${version%%+*}
configuration=(
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw64.cmake"
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DCMAKE_INSTALL_PREFIX="$prefix" "${features[@]}")
# A build tree configured otherwise (by an earlier version of this script, or
# by hand) is started afresh.
if [ "$(cat configuration 2>/dev/null)" != "${configuration[*]}" ]; then
  rm -rf build configuration
  # Unset so the Qt build does not look for a Qt in its own install prefix.
  env -u SIGRA_WINDOWS_QT cmake -S "$top" -B build -G Ninja "${configuration[@]}" \
    > configure.log 2>&1 || { tail -50 configure.log; exit 1; }
  echo "${configuration[*]}" > configuration
fi
cmake --build build --parallel "$jobs" > build.log 2>&1 || { tail -50 build.log; exit 1; }
cmake --install build > install.log 2>&1 || { tail -50 install.log; exit 1; }
echo "$wanted" > "$stamp"
cd /
rm -rf "$work"

elapsed=$(( $(date +%s) - started ))
echo "windows-qt: built Qt $version for Windows into $prefix in $((elapsed / 60)) min $((elapsed % 60)) s"
