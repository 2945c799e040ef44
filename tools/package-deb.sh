#!/bin/sh
# Builds the Debian packages into OUT_DIR with CPack: the driver, its
# development files, the tools, the operator program, the service (when the
# tree has it) and the Python module. Built with Debian's hardening flags, in
# its own build folder (BUILD_DIR, default build-deb).
#   tools/package-deb.sh OUT_DIR [BUILD_DIR]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out_dir=$1
build_dir=${2:-$source_dir/build-deb}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
mkdir -p "$build_dir"
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_RPATH=ON -DSIGRA_DEB=ON \
  -DSIGRA_BUILD_TESTS=OFF -DSIGRA_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" > "$build_dir/configure.log" ||
  { cat "$build_dir/configure.log"; exit 1; }
cmake --build "$build_dir" --parallel 2
(cd "$build_dir" && cpack -G DEB -B "$build_dir/packages" > cpack.log) ||
  { cat "$build_dir/cpack.log"; exit 1; }
cp "$build_dir"/packages/*.deb "$out_dir"/
ls "$out_dir"/*.deb
