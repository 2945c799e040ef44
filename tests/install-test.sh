#!/bin/sh
# Installs a build into a staging folder, then builds the C and C++ examples of
# examples/ in a folder outside the repository as an integrator would: with
# pkg-config, and the C one also through find_package in a small CMake
# project. Each program then runs against the installed emulator with no
# environment but the folder of its port link.
#   tests/install-test.sh BUILD_DIR
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/sigra-install-XXXXXX)
emulator_pid=
cleanup() {
  if [ -n "$emulator_pid" ]; then kill "$emulator_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "install test: $*" >&2
  exit 1
}

stage=$work/stage
cmake --install "$build_dir" --prefix "$stage" > "$work/install.log"
for file in lib/libsigradrv.so lib/libsigradrv.so.1 include/sigra/sigradrv.h \
  include/sigra/sigradrv.hpp bin/sigra-emu bin/sigractl lib/pkgconfig/sigradrv.pc \
  lib/cmake/sigradrv/sigradrvConfig.cmake; do
  [ -e "$stage/$file" ] || fail "$file was not installed"
done
# sigrad, beside sigractl, when its libraries were there to build it.
if [ -x "$build_dir/sigrad/sigrad" ]; then
  [ -e "$stage/bin/sigrad" ] || fail "bin/sigrad was not installed"
fi
soname=$(readelf -d "$stage/lib/libsigradrv.so.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libsigradrv.so.1 ] || fail "the driver's SONAME is '$soname'"

# The examples of examples/, copied to a folder of the integrator's own.
outside=$work/integrator
mkdir -p "$outside" "$work/ports"
cp "$source_dir/examples/pos.c" "$source_dir/examples/pos.cpp" "$outside/"

cd "$outside"
flags=$(PKG_CONFIG_PATH=$stage/lib/pkgconfig pkg-config --cflags --libs sigradrv)
# The pkg-config file names no run path (a system library needs none): a
# program of a staged install is given one as its builder would.
case $flags in *rpath*) fail "sigradrv.pc gives a run path: $flags" ;; esac
flags="$flags -Wl,-rpath,$stage/lib"
# shellcheck disable=SC2086
cc -Wall -Werror pos.c $flags -o pos-c
# shellcheck disable=SC2086
c++ -std=c++17 -Wall -Werror pos.cpp $flags -o pos-cpp
cat > CMakeLists.txt <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(pos C)
find_package(sigradrv 0.1 REQUIRED)
add_executable(pos-cmake pos.c)
target_link_libraries(pos-cmake PRIVATE sigra::sigradrv)
CMAKE
cmake -S . -B build -DCMAKE_PREFIX_PATH="$stage" > cmake.log || fail "find_package: $(cat cmake.log)"
cmake --build build > cmake-build.log || fail "CMake build: $(cat cmake-build.log)"

"$stage/bin/sigra-emu" --type 7 --link "$work/ports" --port 1 > "$work/emulator.log" &
emulator_pid=$!
for _ in $(seq 50); do [ -e "$work/ports/com1" ] && break; sleep 0.1; done

run() {
  env -i SIGRA_DOSDEVICES="$work/ports" "$@" > "$work/out" 2> "$work/err" ||
    fail "$* failed: $(cat "$work/out" "$work/err")"
  [ ! -s "$work/err" ] || fail "$* complained: $(cat "$work/err")"
}
for program in ./pos-c ./build/pos-cmake; do
  run "$program"
  [ "$(cat "$work/out")" = "printer: Nowa drukarka fiskalna" ] || fail "$program printed: $(cat "$work/out")"
done
run ./pos-cpp
[ "$(cat "$work/out")" = "printer: VELMO LUNO" ] || fail "pos-cpp printed: $(cat "$work/out")"
run "$stage/bin/sigractl" name
[ "$(cat "$work/out")" = "Nowa drukarka fiskalna" ] || fail "sigractl printed: $(cat "$work/out")"
if [ -e "$stage/bin/sigrad" ]; then
  run "$stage/bin/sigrad" --version
  grep -q '^sigrad .*, driver ' "$work/out" || fail "sigrad --version printed: $(cat "$work/out")"
fi
receipts=$(grep -c 'SUMA PLN  *14,24' "$work/emulator.log" || true)
[ "$receipts" = 2 ] || fail "expected two receipts on the emulator, found $receipts"
echo "install test: staged install found by pkg-config and find_package; examples ran"
