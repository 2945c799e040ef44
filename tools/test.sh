#!/bin/sh
# Builds everything and runs every test: the driver against the printer
# emulator over pseudo-terminals, the operator application offscreen, the
# Python module with pytest, a staged install, and the Windows DLL cross-built
# and run under Wine (skipped when the cross compiler or Wine is missing).
#   tools/test.sh [BUILD_DIR]          (default: build)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build}
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIGRA_WERROR=ON
cmake --build "$build_dir" --parallel 2
# Most tests wait on their serial lines rather than the processor: four at a
# time keep two cores busy.
ctest --test-dir "$build_dir" --output-on-failure --parallel 4
