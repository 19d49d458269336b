#!/usr/bin/env bash
# Installs the Debian packages Zentropia needs to build, test and benchmark.
# Idempotent: installs only what is missing. Works as root or through sudo. Packages named
# as arguments are installed as well (scripts/fuzz.sh adds clang's).
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config   # build
  clang libclang-rt-dev              # the sanitizer pass: clang and its sanitizer runtimes
  libgtest-dev libgmock-dev          # unit tests
  libsdl2-dev                        # window, display, input and audio device
  xvfb xdotool xfonts-base           # the window test: a virtual X server, its keyboard, the fonts of message boxes
  libfreetype-dev libfontconfig-dev  # text: face lookup and monochrome glyphs
  libpng-dev libjpeg62-turbo-dev libgif-dev  # pictures: PNG, JPEG and GIF
  fonts-unifont                      # the console face PRINT and INPUT draw with
  fonts-liberation2                  # metric-compatible faces for the common font names
  libbenchmark-dev lua5.4            # benchmarks (Lua is the interpreter we measure against)
  libosmesa6-dev                     # the 3D benchmark's reference: Mesa's llvmpipe off screen
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev  # music and video decoding
  libfluidsynth-dev timgm6mb-soundfont  # MIDI music: synthesizer and a small General MIDI soundfont
  zlib1g-dev                         # compressed .x mesh files
  libfcl-dev                         # 3D collision shapes
  python3                            # the walk example's media script and the README pictures' test
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
