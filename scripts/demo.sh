#!/usr/bin/env bash
# Builds Zentropia if needed and runs the bundled example: in a window when a display is
# available (a key ends it), headless with the echo channel and a scripted key otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/zentropia --window examples/hello.ztb
else
  exec build/zentropia --headless --echo --input examples/hello.input examples/hello.ztb
fi
