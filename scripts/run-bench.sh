#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them; each reports its ratios against its peer
# measured in the same run. JSON results go to build-bench/results/.
set -euo pipefail
cd "$(dirname "$0")/.."
B=build-bench
cmake -S . -B $B -DCMAKE_BUILD_TYPE=Release -DGALIMO_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build $B -j2 --target bench_stretch bmp_bench jpeg_bench jpeg_peak_memory gif_bench gif_play album_bench \
  album_peak_memory
[ -f $B/inputs-jpeg/camera-12mp-exif.jpg ] || bash scripts/make-bench-jpegs.sh $B/inputs-jpeg
mkdir -p $B/results
export QT_QPA_PLATFORM=offscreen
flags=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_out_format=json)

echo "== thumbnails: loading a 6000 x 4000 bitmap against shrinking it (and Qt's scaling)"
$B/bench/picture/bench_stretch "${flags[@]}" --benchmark_out=$B/results/stretch.json
echo "== Bitmaps: our reader against Qt's and stb_image (24-bit, RLE8, 16-bit bitfields)"
$B/bench/picture/bmp_bench --benchmark_out=$B/results/bmp.json --benchmark_out_format=json
echo "== JPEG: load + draw against a plain libjpeg decode"
$B/bench/jpeg/jpeg_bench $B/inputs-jpeg "${flags[@]}" --benchmark_out=$B/results/jpeg.json
echo "== JPEG: peak memory of one 24-megapixel load and draw"
/usr/bin/time -v $B/bench/jpeg/jpeg_peak_memory $B/inputs-jpeg/camera-24mp.jpg 2>&1 | grep -E 'Maximum resident|bitmap|file' || true
echo "== Albums: opening twelve camera photos in the window against thirteen plain decodes"
$B/bench/browser/album_bench $B/inputs-jpeg "${flags[@]}" --benchmark_out=$B/results/album.json
echo "== Albums: peak memory of opening fifty 24-megapixel photos"
$B/bench/browser/album_peak_memory $B/inputs-jpeg/camera-24mp.jpg 50
echo "== GIF: decoding against giflib"
$B/bench/gif/gif_bench --benchmark_out=$B/results/gif.json --benchmark_out_format=json
echo "== GIF: one pass of the 500 x 500 x 100 animation played (memory, UI time per frame)"
$B/bench/gif/gif_play $B/bench-gif-inputs/anim-500x500x100.gif 30 100
