#!/usr/bin/env bash
# Builds every libFuzzer harness with clang (ASan + UBSan) and runs each for
# FUZZ_SECONDS (default 60) on a working copy of its corpus. Whatever crashes is left in
# build-fuzz/artifacts/ to be kept as a regression file. For deeper JPEG fuzzing against a
# coverage-instrumented libjpeg, see fuzz/jpeg/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
B=build-fuzz
seconds=${FUZZ_SECONDS:-60}
CC=clang-14 CXX=clang++-14 cmake -S . -B $B -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALIMO_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build $B -j2 --target bmp_fuzzer gif_fuzzer jpeg_fuzz perso_fuzzer exif_fuzz filename_fuzz
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
mkdir -p $B/artifacts
run() {  # name executable corpus [extra flags]
  local name=$1 exe=$2 corpus=$3; shift 3
  rm -rf "$B/work-$name" && mkdir -p "$B/work-$name" && cp "$corpus"/* "$B/work-$name/"
  echo "== $name: $seconds s"
  "$exe" "$B/work-$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$B/artifacts/$name-" "$@" 2>&1 | grep -E '^(Done|==[0-9]+==|SUMMARY)' || true
}
run bmp $B/fuzz/bmp/bmp_fuzzer fuzz/bmp/corpus -max_len=65536
# A few kilobytes of GIF may announce frames of a gigabyte; each allocation is capped at
# 32 MB so that the runs go to the reader, and the harness takes running out as a refusal.
ASAN_OPTIONS=$ASAN_OPTIONS:max_allocation_size_mb=32 \
  run gif $B/fuzz/gif/gif_fuzzer fuzz/gif/corpus -dict=fuzz/gif/gif.dict -max_len=8192
run jpeg $B/fuzz/jpeg/jpeg_fuzz fuzz/jpeg/corpus -max_len=8192
run perso $B/fuzz/perso/perso_fuzzer fuzz/perso/corpus -dict=fuzz/perso/perso.dict -max_len=4096
run exif $B/fuzz/exif/exif_fuzz fuzz/exif/corpus -max_len=4096
run filename $B/fuzz/filename/filename_fuzz fuzz/filename/corpus -max_len=512
if ls $B/artifacts/* >/dev/null 2>&1; then echo "Findings in $B/artifacts/"; exit 1; fi
echo "No findings."
