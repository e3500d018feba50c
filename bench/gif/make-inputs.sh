#!/bin/sh
# Writes the three GIF benchmark inputs into DIR, deterministically (fixed seeds),
# with ImageMagick:
#   photo-4000x3000.gif   one 4000 x 3000 frame, photo-like, a 256-colour global table
#   anim-500x500x100.gif  100 frames of 500 x 500, each with its own (local) table
#   anim-65x35x38.gif     38 frames of 65 x 35, one 256-colour table, loop count 1000,
#                         frames 2 to 38 with a delay of 2 (ImageMagick stores
#                         the -loop value less one)
# Existing files are kept.
set -eu
DIR=${1:?usage: make-inputs.sh DIR}
mkdir -p "$DIR"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

if [ ! -s "$DIR/photo-4000x3000.gif" ]; then
  # A fractal landscape blurred a little: smooth areas and fine detail, like a photo;
  # dithered down to 256 colours.
  convert -seed 4242 -size 4000x3000 plasma:fractal -blur 0x1.5 -colors 256 \
    "$TMP/photo.gif"
  mv "$TMP/photo.gif" "$DIR/photo-4000x3000.gif"
fi

if [ ! -s "$DIR/anim-500x500x100.gif" ]; then
  i=0
  while [ $i -lt 100 ]; do
    # Each frame its own picture and its own palette (hue turned), hence local tables.
    convert -seed $((1000 + i)) -size 500x500 plasma:fractal \
      -modulate 100,100,$((i * 2)) -colors 256 "$TMP/f$(printf %03d $i).gif"
    i=$((i + 1))
  done
  convert -delay 4 -loop 0 "$TMP"/f*.gif "$TMP/anim.gif"
  mv "$TMP/anim.gif" "$DIR/anim-500x500x100.gif"
fi

if [ ! -s "$DIR/anim-65x35x38.gif" ]; then
  # A 256-colour palette shared by every frame: the global table.
  convert -seed 7 -size 16x16 plasma:fractal -colors 256 -unique-colors "$TMP/palette.gif"
  i=0
  while [ $i -lt 38 ]; do
    convert -size 65x35 xc:white -fill "hsl($((i * 9)),80%,50%)" \
      -draw "circle $((5 + i * 3 / 2)),17 $((5 + i * 3 / 2)),$((6 + i % 10))" \
      -fill navy -draw "rectangle 0,30 $i,34" +dither -remap "$TMP/palette.gif" \
      "$TMP/s$(printf %03d $i).gif"
    i=$((i + 1))
  done
  # The first frame shows without a delay of its own, the others for 2/100 s each.
  convert -loop 1001 "$TMP/s000.gif" -delay 2 $(ls "$TMP"/s0*.gif | tail -n +2) "$TMP/small.gif"
  mv "$TMP/small.gif" "$DIR/anim-65x35x38.gif"
fi
