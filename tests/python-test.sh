#!/bin/sh
# Installs the Python module with pip into a virtual environment in the build
# folder, the offline way docs/python.md gives (the system's setuptools, no build
# isolation, no package index), checks that the install left nothing in the
# source tree, and runs the module's tests against the emulator with pytest.
# Skipped (77) when the Python venv module, pytest or setuptools is missing.
#   tests/python-test.sh BUILD_DIR PYTHON
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
python=$2
if ! "$python" -c 'import venv, ensurepip, pytest, setuptools' 2>/dev/null; then
  echo "python test: skipped, $python lacks venv, pytest or setuptools" \
    "(Debian: python3-venv python3-pytest python3-setuptools)"
  exit 77
fi
venv=$build_dir/python-venv
# The system's packages stay visible, for pytest and the build backend.
"$python" -m venv --system-site-packages "$venv"
work=$(mktemp -d /tmp/sigra-python-XXXXXX)
trap 'rm -rf "$work"' EXIT
# What the module's folder held before, to tell what the install added.
(cd "$source_dir/python" && find . -path ./tests -prune -o -print | sort) > "$work/before"
"$venv/bin/python" -m pip install --quiet --disable-pip-version-check --no-index \
  --no-build-isolation "$source_dir/python"
(cd "$source_dir/python" && find . -path ./tests -prune -o -print | sort) > "$work/after"
if ! cmp -s "$work/before" "$work/after"; then
  echo "FAIL: pip install left this in $source_dir/python:"
  comm -13 "$work/before" "$work/after"
  exit 1
fi
cd "$work"
SIGRA_LIBRARY=$build_dir/commands/libsigradrv.so.1 SIGRA_EMU=$build_dir/emulator/sigra-emu \
  "$venv/bin/python" -m pytest -q -p no:cacheprovider "$source_dir/python/tests"
