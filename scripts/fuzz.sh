#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) into
# build-fuzz/ and runs one of them for SECONDS on a copy of its seed corpus.
#   scripts/fuzz.sh TARGET [SECONDS] [LIBFUZZER OPTIONS...]
# TARGET: image_loader payload bmp dds picture ini input_script line_table compiler disassembler xfile
# New inputs go to build-fuzz/corpus/TARGET; a finding is written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [LIBFUZZER OPTIONS...]}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
[ -f "fuzz/$target.cpp" ] || { echo "no fuzz target $target (see fuzz/)" >&2; exit 2; }

scripts/install-deps.sh clang libclang-rt-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DZT_FUZZ=ON \
  -DZT_TESTS=OFF -DZT_BENCH=OFF > /dev/null
cmake --build build-fuzz -j2 --target "fuzz_$target"

corpus=build-fuzz/corpus/$target
mkdir -p "$corpus" build-fuzz/findings
cp -n "fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
exec "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 \
  -artifact_prefix="build-fuzz/findings/$target-" "$@" "$corpus"
