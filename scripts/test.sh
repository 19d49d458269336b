#!/usr/bin/env bash
# Builds everything and runs every test (unit and program tests) through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure -j2
