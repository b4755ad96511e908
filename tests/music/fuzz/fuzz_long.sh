#!/usr/bin/env bash
# A long fuzzing run on demand: builds the fuzzers if needed and runs each
# parser for SECONDS (default 1800). Usage: tests/music/fuzz/fuzz_long.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${LUMBRAST_BUILD_DIR:-$top/build}
cmake --build "$build" --target music_fuzzers
exec "$top/tests/music/fuzz/run_fuzzers.sh" "$build/tests/music/fuzz" "$top/media/MediaSL9" "${1:-1800}" \
  "$build/tests/music/fuzz/long-corpus"
