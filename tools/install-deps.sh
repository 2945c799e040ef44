#!/bin/sh
# Installs what building and testing Sigra needs on Debian 12: the compiler
# and CMake, GoogleTest and Google Benchmark, Qt 6 Widgets with its Polish
# translation, Xvfb for running the window without a display, Python with
# venv and pytest for the Python module's tests, and the 32-bit Windows cross
# compiler with Wine for the Windows DLL and its test.
set -eu
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  libgtest-dev libgmock-dev libbenchmark-dev \
  qt6-base-dev qt6-translations-l10n xvfb xauth \
  python3-venv python3-pytest python3-setuptools python3-wheel \
  g++-mingw-w64-i686 wine wine32:i386 >/dev/null
echo "Sigra: build dependencies installed."
