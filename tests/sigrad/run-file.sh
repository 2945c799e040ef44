#!/bin/sh
# Runs one file of the service's black-box tests with Debian's python3 and
# pytest; skipped (77) when a module they need is missing.
#   tests/sigrad/run-file.sh PYTHON TEST_FILE [PYTEST_OPTION...]
# SIGRAD and SIGRA_EMU name the programs under test.
set -eu
python=$1
shift
if ! "$python" -c 'import pytest, requests, hypothesis, jsonschema' 2>/dev/null; then
  echo "service test: skipped, $python lacks pytest, requests, hypothesis or jsonschema" \
    "(Debian: python3-pytest python3-requests python3-hypothesis python3-jsonschema)"
  exit 77
fi
export PYTHONDONTWRITEBYTECODE=1
exec "$python" -m pytest -q -p no:cacheprovider -rs "$@"
