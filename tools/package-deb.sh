#!/bin/sh
# Builds the Debian packages into OUT_DIR with CPack: the driver, its
# development files, the tools, the operator program, the service (when the
# tree has it) and the Python module. Built with Debian's hardening flags, in
# its own build folder (BUILD_DIR, default build-deb), without the tests.
#   tools/package-deb.sh OUT_DIR [BUILD_DIR]
#
# A tree the suite builds and tests can be packaged as it is, with no second
# build: configure it with Debian's flags first, build and test it
# (tools/test.sh BUILD_DIR), then package it. Its tests stay, and so does its
# own install layout after the packages are made.
#   tools/package-deb.sh --configure BUILD_DIR [CMAKE_OPTION...]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# A flag of Debian's, as from the source folder: its file prefix map names it,
# so a tree configured from anywhere gets the same flags and is not rebuilt.
flags() {
  (cd "$source_dir" && dpkg-buildflags --get "$1")
}
# configure BUILD_DIR CMAKE_OPTION...: Debian's compiler and linker flags.
configure() {
  dir=$1
  shift
  mkdir -p "$dir"
  cmake -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" "$@" > "$dir/configure.log" ||
    { cat "$dir/configure.log"; exit 1; }
}

if [ "${1:-}" = --configure ]; then
  [ $# -ge 2 ] || { echo "usage: $0 --configure BUILD_DIR [CMAKE_OPTION...]" >&2; exit 2; }
  shift
  configure "$@"
  exit 0
fi
[ $# -ge 1 ] || { echo "usage: $0 OUT_DIR [BUILD_DIR]" >&2; exit 2; }
out_dir=$1
build_dir=${2:-$source_dir/build-deb}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

# A tree of its own leaves the tests out; a tree already there keeps them,
# and gets its install layout back once packaged.
cache=$build_dir/CMakeCache.txt
layout=
if [ -f "$cache" ]; then
  prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$cache")
  deb=$(sed -n 's/^SIGRA_DEB:BOOL=//p' "$cache")
  layout="-DCMAKE_INSTALL_PREFIX=$prefix -DSIGRA_DEB=${deb:-OFF}"
  configure "$build_dir" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_RPATH=ON -DSIGRA_DEB=ON
else
  configure "$build_dir" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_RPATH=ON -DSIGRA_DEB=ON \
    -DSIGRA_BUILD_TESTS=OFF -DSIGRA_BUILD_BENCH=OFF
fi
cmake --build "$build_dir" --parallel 2
(cd "$build_dir" && cpack -G DEB -B "$build_dir/packages" > cpack.log) ||
  { cat "$build_dir/cpack.log"; exit 1; }
cp "$build_dir"/packages/*.deb "$out_dir"/
ls "$out_dir"/*.deb
if [ -n "$layout" ]; then
  # shellcheck disable=SC2086 # two options
  configure "$build_dir" $layout -DCMAKE_SKIP_INSTALL_RPATH=OFF
fi
