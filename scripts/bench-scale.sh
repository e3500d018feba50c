#!/usr/bin/env bash
# What drawing the form for a screen that keeps its mode costs: twelve photos opened in the
# window, to the first photo and to the complete strip, at scale 1 and at 1.8 (a 1920 x 1080
# screen), the two runs alternated three times. Usage: bench-scale.sh BUILD INPUTS.
set -euo pipefail
B=${1:-build-bench} IN=${2:-build-bench/inputs-jpeg}
export QT_QPA_PLATFORM=offscreen
for round in 1 2 3; do
  for scale in 1 1.8; do
    echo "scale $scale, round $round:"
    QT_SCALE_FACTOR=$scale "$B/bench/browser/album_bench" "$IN" --benchmark_filter=BM_AlbumTimes 2>/dev/null |
      grep -o 'first_ms=[0-9.]*[a-z]* *strip_ms=[0-9.]*[a-z]*'
  done
done
