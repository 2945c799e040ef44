#!/bin/sh
# Installs the Python module with pip into a virtual environment in the build
# folder and runs its tests against the emulator with pytest. Skipped (77)
# when the Python venv module or pytest is missing.
#   tools/python-test.sh BUILD_DIR PYTHON
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
python=$2
if ! "$python" -c 'import venv, ensurepip, pytest' 2>/dev/null; then
  echo "python test: skipped, $python lacks venv or pytest (Debian: python3-venv python3-pytest)"
  exit 77
fi
venv=$build_dir/python-venv
# The system's packages stay visible, for pytest and the build backend.
"$python" -m venv --system-site-packages "$venv"
work=$(mktemp -d /tmp/sigra-python-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Built from a copy, so that the build leaves nothing in the source tree.
cp -r "$source_dir/python" "$work/python"
"$venv/bin/python" -m pip install --quiet --no-index --no-build-isolation "$work/python"
cd "$work"
SIGRA_LIBRARY=$build_dir/commands/libsigradrv.so.1 SIGRA_EMU=$build_dir/emulator/sigra-emu \
  "$venv/bin/python" -m pytest -q -p no:cacheprovider "$source_dir/python/tests"
