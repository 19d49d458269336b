#!/usr/bin/env bash
# Builds everything and runs every test (unit and program tests) through CTest.
# With --sanitize: the same suite built by clang with the address and undefined-behaviour
# sanitizers and the handler assertions (CI runs both).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh "$@"
dir=build
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
fi
ctest --test-dir "$dir" --output-on-failure -j2
