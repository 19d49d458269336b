#!/usr/bin/env bash
# Installs what is missing and builds. In CI warnings are errors.
#   scripts/build.sh              Release build with g++ into build/
#   scripts/build.sh --sanitize   clang build with the address and undefined-behaviour
#                                 sanitizers and the handler assertions (ZT_ASSERT) into
#                                 build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
if [ "${1:-}" = "--sanitize" ]; then
  CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZT_SANITIZE=ON -DZT_ASSERT=ON -DZT_WERROR=$werror > /dev/null
  cmake --build build-sanitize -j2
else
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZT_WERROR=$werror > /dev/null
  cmake --build build -j2
fi
