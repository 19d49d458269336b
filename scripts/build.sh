#!/usr/bin/env bash
# Installs what is missing and builds into build/ (Release). In CI warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZT_WERROR=$werror > /dev/null
cmake --build build -j2
