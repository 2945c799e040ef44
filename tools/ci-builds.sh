#!/bin/sh
# The builds CI runs besides tools/test.sh, each with warnings as errors. Each
# checks what no other build does; none repeats the suite that
# tools/test.sh runs:
#   - Release (-O3), the driver library, built: the optimiser's own warnings;
#     its tests run at -O2 in tools/test.sh;
#   - MinSizeRel (-Os), the driver library, built;
#   - Debug with AddressSanitizer and UndefinedBehaviorSanitizer (LeakSanitizer
#     included), built and tested: the whole tree, the operator program too;
#   - ThreadSanitizer over the driver and the emulator: their tests, and those
#     of sigractl, which calls the driver.
# The Windows trees are tools/test.sh's: the DLLs as Release, the 64-bit one
# with the operator program, run under Wine.
# A sanitizer's report ends the test program with a failure. Each step prints
# its time.
#   tools/ci-builds.sh [WORK_DIR]          (default: build-ci)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$source_dir/build-ci}
mkdir -p "$work"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
export TSAN_OPTIONS=second_deadlock_stack=1

timed() {
  name=$1
  shift
  start=$(date +%s)
  echo "=== $name"
  "$@"
  echo "=== $name: $(($(date +%s) - start)) s"
}

# native NAME EXCLUDED CMAKE_OPTION...: configure, build and run the suite but
# the tests EXCLUDED matches. The Windows tests are left to tools/test.sh.
# EXCLUDED "-" builds without testing; the variable targets, when set, builds
# those targets alone. The tests wait on their serial lines more than on the
# processor, three at a time.
targets=
native() {
  dir=$work/$1
  excluded=$2
  shift 2
  cmake -S "$source_dir" -B "$dir" -G Ninja -DSIGRA_WERROR=ON -DSIGRA_UNITY_TESTS=ON "$@"
  # shellcheck disable=SC2086 # the list is split into target names
  cmake --build "$dir" --parallel 2 ${targets:+--target $targets}
  [ "$excluded" = - ] && return 0
  ctest --test-dir "$dir" --output-on-failure --parallel 3 -E "$excluded"
}
# The Python module's test loads the driver into Python itself, and the
# install, recovery and examples tests build the examples of examples/ without the
# sanitizer: a sanitizer's run-time library cannot join such a program
# through the driver alone. The loops of 200 sales
# with cut lines (the driver's, and the service's with its restarts) take
# minutes of real time and run in tools/test.sh; the recovery's other tests
# run here, and the service's tests run against the sanitized sigrad, its
# generated malformed requests among them.
sanitized='^(windows_.*|python_module|install_kit|sale_recovery|examples_test|RecoveryTest\.TwoHundredSales.*|service_never_twice_loop)$'
# ThreadSanitizer watches the driver and the emulator; the service's tests
# run under the other sanitizers.
threads='^(windows_.*|python_module|install_kit|sale_recovery|examples_test|RecoveryTest\.TwoHundredSales.*|service_.*|sigrad_service)$'

targets=sigradrv
timed release native release - -DCMAKE_BUILD_TYPE=Release
timed minsizerel native minsizerel - -DCMAKE_BUILD_TYPE=MinSizeRel
targets=
# The benchmarks are not run here.
timed asan-ubsan native asan-ubsan "$sanitized" -DCMAKE_BUILD_TYPE=Debug \
  -DSIGRA_SANITIZE=address,undefined -DSIGRA_BUILD_BENCH=OFF
targets="emulator_test driver_test report_clock_test receipt_test service_test kit_test
  threads_test recovery_test tools_test serial_ports_test exports_test"
timed tsan native tsan "$threads" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIGRA_SANITIZE=thread \
  -DSIGRA_BUILD_APP=OFF -DSIGRA_BUILD_BENCH=OFF
echo "Sigra: every extra build passed."
