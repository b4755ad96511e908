#!/usr/bin/env bash
# Runs both parser fuzzers for SECONDS each from a corpus seeded with the
# shipped media. Usage: run_fuzzers.sh FUZZER_DIR MEDIA_DIR SECONDS [WORK_DIR]
set -euo pipefail
bin=$1 media=$2 seconds=$3
work=${4:-$bin/corpus}
here=$(cd "$(dirname "$0")" && pwd)
for kind in style chordmap; do
  corpus=$work/$kind
  mkdir -p "$corpus"
  if [ "$kind" = style ]; then cp -n "$media"/*.STY "$corpus"/ 2>/dev/null || true
  else cp -n "$media"/*.CDM "$corpus"/ 2>/dev/null || true; fi
  echo "fuzzing the $kind parser for $seconds s"
  "$bin/fuzz_$kind" -max_total_time="$seconds" -max_len=16384 -timeout=5 -rss_limit_mb=2048 \
    -dict="$here/music.dict" -print_final_stats=1 -artifact_prefix="$work/$kind-" "$corpus" 2>&1 |
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|INFO: Running|.*ERROR)" || true
  if ls "$work/$kind-"* >/dev/null 2>&1; then
    echo "fuzz_$kind found a failing input:" "$work/$kind-"*
    exit 1
  fi
done
