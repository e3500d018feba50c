#!/usr/bin/env bash
# Draws the demo medium's JPEG album, examples/medium/Paysages: landscapes made from
# fractal noise (sky, clouds, hazy ridges, a lake or hills), written with cjpeg the way
# cameras and editors write photos: a large colour one fitted in the photo view, smaller
# ones shown at natural size, a portrait, a progressive file and a black-and-white one.
# Everything is generated here with seeded noise, so the pictures are the project's own
# and two runs write the same pictures. Debian tools only: imagemagick, libjpeg-turbo-progs.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/examples/medium/Paysages"
command -v convert >/dev/null && command -v cjpeg >/dev/null ||
  { echo "make-demo-jpegs: needs imagemagick and libjpeg-turbo-progs (scripts/install-deps.sh)" >&2; exit 1; }
rm -rf "$OUT"
mkdir -p "$OUT"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# ridge W H SEED TOP SPAN COLOUR OUT: a ridge line from one row of plasma, heights between
# TOP and TOP + SPAN (fractions of the height), filled below with COLOUR, clear above.
ridge() {
  local w=$1 h=$2 seed=$3 top=$4 span=$5 colour=$6 out=$7
  convert -seed "$seed" -size "$((w / 8))x8" plasma:grey50-grey50 -colorspace Gray \
          -crop "$((w / 8))x1+0+4" +repage -resize "${w}x1!" -blur 0x3 "$tmp/line.png"
  convert "$tmp/line.png" -scale "${w}x${h}!" "$tmp/heights.png"
  # A pixel is ground when its row lies below the ridge height of its column.
  convert -size "${w}x${h}" gradient:black-white "$tmp/heights.png" \
          -fx "u > ($top + $span * v) ? 1 : 0" -blur 0x0.7 "$tmp/mask.png"
  # Texture: grey noise brightened and multiplied into the colour, so the ground keeps its hue.
  convert -seed "$((seed + 1))" -size "${w}x${h}" plasma:grey50-grey50 -colorspace Gray -blur 0x1 \
          -auto-level -level 0,130% \( -size "${w}x${h}" xc:"$colour" \) -compose Multiply -composite \
          "$tmp/mask.png" -alpha off -compose CopyOpacity -composite "$out"
}

# landscape W H SEED SKYTOP SKYBOTTOM FAR NEAR OUT.ppm
landscape() {
  local w=$1 h=$2 seed=$3 skytop=$4 skybottom=$5 far=$6 near=$7 out=$8
  convert -size "${w}x${h}" gradient:"$skytop"-"$skybottom" "$tmp/sky.png"
  # Clouds: soft white where the noise is bright, only in the upper half.
  convert -seed "$seed" -size "$((w / 4))x$((h / 4))" plasma:grey50-grey50 -colorspace Gray \
          -resize "${w}x${h}!" -blur 0x6 -level 55%,85% \
          \( -size "${w}x${h}" gradient:white-black -level 0,60% \) -compose Multiply -composite "$tmp/cloudmask.png"
  convert -size "${w}x${h}" xc:white "$tmp/cloudmask.png" -alpha off -compose CopyOpacity -composite "$tmp/clouds.png"
  ridge "$w" "$h" "$((seed + 10))" 0.38 0.16 "$far" "$tmp/far.png"
  ridge "$w" "$h" "$((seed + 20))" 0.55 0.22 "$near" "$tmp/near.png"
  convert "$tmp/sky.png" "$tmp/clouds.png" -composite \
          "$tmp/far.png" -composite \
          \( -size "${w}x${h}" xc:"$skybottom" -alpha set -channel A -evaluate set 25% +channel \) -composite \
          "$tmp/near.png" -composite \
          -seed "$seed" -attenuate 0.25 +noise Gaussian -depth 8 "$out"
}

landscape 1024 768 101 '#3b6fc4' '#d8e8f4' '#7d8fa8' '#4f7a3a' "$tmp/a.ppm"
cjpeg -quality 85 -optimize -outfile "$OUT/IMG_0101.JPG" "$tmp/a.ppm"

landscape 640 480 202 '#e07a3c' '#f6d59a' '#6b5a78' '#3a4630' "$tmp/b.ppm"
cjpeg -quality 88 -optimize -outfile "$OUT/IMG_0102.JPG" "$tmp/b.ppm"

landscape 480 640 303 '#2d5aa8' '#c3d9ee' '#8a96a6' '#5d7f46' "$tmp/c.ppm"
cjpeg -quality 85 -progressive -outfile "$OUT/IMG_0103.JPG" "$tmp/c.ppm"

landscape 800 533 404 '#5f83b8' '#e9eef2' '#8e9aa8' '#6a6f4a' "$tmp/d.ppm"
cjpeg -quality 85 -grayscale -optimize -outfile "$OUT/IMG_0104.JPG" "$tmp/d.ppm"

landscape 1200 800 505 '#14336e' '#f2b36b' '#3f4660' '#1f2a22' "$tmp/e.ppm"
cjpeg -quality 82 -optimize -outfile "$OUT/IMG_0105.JPG" "$tmp/e.ppm"

du -ch "$OUT"/*.JPG | tail -1
