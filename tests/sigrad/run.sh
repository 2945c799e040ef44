#!/bin/sh
# Runs the service's tests with pytest against the built sigrad and emulator;
# skipped (77) when pytest is missing.
#   tests/sigrad/run.sh PYTHON SIGRAD SIGRA_EMU [PYTEST ARGS...]
set -eu
python=$1
export SIGRAD=$2 SIGRA_EMU=$3 PYTHONDONTWRITEBYTECODE=1
shift 3
if ! "$python" -c 'import pytest' 2>/dev/null; then
  echo "service test: skipped, $python lacks pytest (Debian: python3-pytest)"
  exit 77
fi
exec "$python" -m pytest -q -p no:cacheprovider "$(dirname "$0")/test_service.py" "$@"
