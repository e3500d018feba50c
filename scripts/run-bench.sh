#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every one of them; results go to
# build-bench/results/*.json as well as the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DGALIMO_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j2
mkdir -p build-bench/results
export QT_QPA_PLATFORM=offscreen
for pre in bench/*/prepare.sh; do
  [ -f "$pre" ] && bash "$pre" build-bench
done
for exe in $(find build-bench/bench -maxdepth 2 -type f -name 'bench_*' -perm -u+x | sort); do
  name=$(basename "$exe")
  echo "== $name"
  "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
         --benchmark_out="build-bench/results/$name.json" --benchmark_out_format=json
done
