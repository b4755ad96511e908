#!/usr/bin/env bash
# The analyze table of every style with every chord map: 1024 measures of each of
# the nine shapes, seeds 1-10, and the loudness of a short render per shape.
#   bench/music/analyze_all.sh [BUILD_DIR] [more analyze options, e.g. --seeds 3]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
shift $(($# > 0 ? 1 : 0))
exec "$build/src/music/tool/lumbrast-music" analyze --all "$top/media/MediaSL9" "$@"
