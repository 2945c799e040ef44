#!/bin/bash
# Cross-builds a static Qt (Core, Gui, Widgets, the Windows platform plugin)
# for 64-bit Windows from Debian's own qt6-base source, the same version as
# the host's qt6-base-dev whose moc, rcc and uic the build uses, and installs
# it into a cache outside the checkout:
#   tools/windows-qt.sh          # into $SIGRA_WINDOWS_QT, default ~/.cache/sigra/qt6-win64
#   tools/windows-qt.sh --check  # exits 0 when the cache holds it, 1 when not
# Does nothing when the cache already holds a Qt of that version, built with
# these features. Adds a deb-src entry for the archive the system installs
# from (needs root, as apt-get does; see tools/deb-src.sh).
set -euo pipefail
check=no
[ "${1:-}" = --check ] && check=yes

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

# What goes into the Qt; a cache built otherwise is built again. Besides the
# modules, the third-party code and the plugins the operator program has no
# use for are left out (their build steps with them): it loads no JPEG or
# GIF, draws with neither Direct2D, OpenGL nor Vulkan, renders its text by
# the system's own font engine (Latin letters need no HarfBuzz shaping),
# reads no MIME database or XML and shows none of the widgets switched off
# here. Without Direct2D the DirectWrite 3 font database is not built, so the
# platform plugin must not ask for it either: the GDI one serves.
features=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_direct2d=OFF
  -DFEATURE_directwrite3=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_pdf=OFF -DFEATURE_movie=OFF -DFEATURE_textodfwriter=OFF
  -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_colordialog=OFF
  -DFEATURE_fontdialog=OFF -DFEATURE_wizard=OFF -DFEATURE_columnview=OFF -DFEATURE_dial=OFF
  -DFEATURE_lcdnumber=OFF -DFEATURE_splashscreen=OFF -DFEATURE_keysequenceedit=OFF
  -DFEATURE_undoview=OFF -DFEATURE_fontcombobox=OFF -DFEATURE_syntaxhighlighter=OFF
  -DFEATURE_toolbox=OFF -DFEATURE_jalalicalendar=OFF -DFEATURE_hijricalendar=OFF
  -DFEATURE_islamiccivilcalendar=OFF -DFEATURE_sharedmemory=OFF -DFEATURE_systemsemaphore=OFF
  -DINPUT_opengl=no -DFEATURE_harfbuzz=OFF -DFEATURE_style_stylesheet=OFF
  -DFEATURE_systemtrayicon=OFF -DFEATURE_mimetype=OFF -DFEATURE_xmlstream=OFF)
wanted="$version ${features[*]}"
cached() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; }
if [ $check = yes ]; then
  cached
  exit
fi
mkdir -p "$(dirname "$prefix")"
# One build at a time: a second caller waits and then finds the cache filled.
exec 9>"$prefix.lock"
flock 9
if cached; then
  echo "windows-qt: Qt $version for Windows is in $prefix"
  exit 0
fi

started=$(date +%s)
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The source comes from the archive the binary packages come from.
as_root "$source_dir/tools/deb-src.sh"

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
