#!/usr/bin/env bash
# CPU while music plays in real time, per style: the engine (sequencer,
# synthesiser, master output) against FluidSynth alone playing the same music
# from its MIDI export, both paced as a device would pace them.
#   bench/music/idle_cpu.sh [BUILD_DIR] [SECONDS] [CHORDMAP]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
seconds=${2:-20}
media=$top/media/MediaSL9
map=${3:-$media/EVENMAJ.CDM}
for style in "$media"/*.STY; do
    "$build/bench/music/engine/bench_music_idle" "$style" "$map" "$seconds"
    echo
done
