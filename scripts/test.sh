#!/usr/bin/env bash
# Builds everything and runs every test (unit and program tests) through CTest.
# With --sanitize: the same suite built by clang with the address and undefined-behaviour
# sanitizers and the handler assertions (CI runs both).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh "$@"
dir=build
[ "${1:-}" = "--sanitize" ] && dir=build-sanitize
ctest --test-dir "$dir" --output-on-failure -j2
