#!/usr/bin/env bash
# Render speed per style: two minutes of music (LOUD, the busiest shape) rendered
# offline, as music time over the CPU time of one core. Goal: at least 100x.
#   bench/music/render_speed.sh [BUILD_DIR] [CHORDMAP]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
media=$top/media/MediaSL9
map=${2:-$media/NIGHTMIN.CDM}
tool=$build/src/music/tool/lumbrast-music
out=$(mktemp --suffix=.wav)
trap 'rm -f "$out"' EXIT
printf '%-28s %8s %8s %8s\n' style music_s cpu_s x_real
for style in "$media"/*.STY; do
    info=$("$tool" info "$style")
    tempo=$(sed -n 's/^Tempo: *\([0-9.]*\) bpm/\1/p' <<<"$info")
    beats=$(sed -n 's/^Time sig\.: *\([0-9]*\)\/.*/\1/p' <<<"$info")
    measures=$(awk -v t="$tempo" -v b="$beats" 'BEGIN { printf "%d", 120 * t / 60 / b + 0.5 }')
    cpu=$( { /usr/bin/time -f '%U %S' "$tool" render "$style" "$map" --shape LOUD \
             --measures "$measures" --seed 1 --output "$out" >/dev/null; } 2>&1 | tail -1)
    music=$(awk -v m="$measures" -v t="$tempo" -v b="$beats" 'BEGIN { print m * b * 60 / t + 2 }')
    awk -v s="$(basename "$style")" -v m="$music" -v c="$cpu" 'BEGIN {
        split(c, p, " "); t = p[1] + p[2]; printf "%-28s %8.1f %8.2f %8.0f\n", s, m, t, m / t }'
done
