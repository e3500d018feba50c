#!/usr/bin/env bash
# Regenerates the small JPEG files of the JPEG tests from drawn patterns, with Debian's
# tools only (imagemagick and libjpeg-turbo-progs). The output is committed; run this only
# to change the set. Every file is made here, so their licence is the project's.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A photo-like pattern: deterministic plasma, smoothed a little like a lens would.
convert -seed 7 -size 64x48 plasma:fuchsia-olive -blur 0x1 -depth 8 "$tmp/photo.ppm"
convert -seed 11 -size 37x23 plasma:sienna-skyblue -depth 8 "$tmp/odd.ppm"

cjpeg -quality 90 -outfile photo.jpg "$tmp/photo.ppm"
cjpeg -quality 90 -sample 2x1 -outfile odd.jpg "$tmp/odd.ppm"
cjpeg -quality 85 -progressive -outfile progressive.jpg "$tmp/photo.ppm"
cjpeg -quality 90 -grayscale -outfile grey.jpg "$tmp/photo.ppm"
cjpeg -quality 90 -restart 1B -outfile restart.jpg "$tmp/photo.ppm"
cjpeg -quality 90 -arithmetic -outfile arith.jpg "$tmp/photo.ppm"

# Six flat colour blocks written as a photo editor writes CMYK: Adobe marker, inverted.
convert -size 16x16 xc:red xc:lime xc:blue xc:yellow xc:white xc:black +append \
        -depth 8 "$tmp/blocks.ppm"
convert "$tmp/blocks.ppm" -colorspace CMYK -quality 95 cmyk.jpg
cp "$tmp/blocks.ppm" blocks.ppm
