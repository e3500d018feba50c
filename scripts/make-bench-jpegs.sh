#!/usr/bin/env bash
# Makes the camera-like JPEG inputs of the JPEG benchmark: 12 and 24 megapixels, baseline,
# 4:2:0, quality 92, as a camera writes them. The scene is a smooth plasma enlarged to the
# sensor size with some fine texture and sensor grain on top, so the entropy coder has real
# detail to chew on. The 12-megapixel photo comes twice: as an editor exports it (no EXIF)
# and as a camera writes it, with a 160 x 120 thumbnail in its EXIF block. Debian tools only
# (imagemagick, libjpeg-turbo-progs, libimage-exiftool-perl).
# Usage: make-bench-jpegs.sh OUTPUT_FOLDER   (files are made only when missing)
set -euo pipefail
out=${1:?usage: make-bench-jpegs.sh OUTPUT_FOLDER}
mkdir -p "$out"
make_one() { # name width height seed
  local file="$out/$1.jpg"
  [ -s "$file" ] && return 0
  local tmp
  tmp=$(mktemp -d)
  convert -seed "$4" -size 600x400 plasma:green-skyblue -blur 0x2 "$tmp/scene.png"
  convert -seed "$4" -size 600x400 plasma: -colorspace Gray -blur 0x0.5 "$tmp/texture.png"
  convert "$tmp/scene.png" "$tmp/texture.png" -compose overlay -composite \
          -resize "$2x$3!" -seed "$4" -attenuate 0.35 +noise Gaussian -depth 8 ppm:- |
    cjpeg -quality 92 -sample 2x2 -optimize -outfile "$file"
  rm -rf "$tmp"
  echo "made $file ($(stat -c %s "$file") bytes)"
}
make_one camera-12mp 4000 3000 12
make_one camera-24mp 6000 4000 24

exif="$out/camera-12mp-exif.jpg"
if [ ! -s "$exif" ]; then
  tmp=$(mktemp -d)
  convert "$out/camera-12mp.jpg" -resize 160x120! -quality 90 "$tmp/thumb.jpg"
  exiftool -q -o "$exif" "-ThumbnailImage<=$tmp/thumb.jpg" "$out/camera-12mp.jpg"
  rm -rf "$tmp"
  echo "made $exif ($(stat -c %s "$exif") bytes)"
fi
