#!/usr/bin/env bash
# Builds Zentropia if needed and runs the showcase: the 3D walk of examples/walk.ztb (an
# animated walker loaded from a 3DS model, walls and boulders it bumps into, gems scored in
# a sprite overlay, sounds and a MIDI tune), steered for half a minute by its input script.
# In a window when a display is available (the arrow keys steer too; Escape ends it early),
# headless otherwise, with the program's lines on the terminal. It ends by itself after 30
# seconds of program time (1800 frames at 60 a second).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/zentropia --window --input examples/walk.input examples/walk.ztb 30
else
  echo "No display: the walk runs headless for 30 seconds and reports the gems and bumps."
  exec build/zentropia --headless --echo --input examples/walk.input examples/walk.ztb 30
fi
