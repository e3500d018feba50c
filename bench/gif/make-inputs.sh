#!/bin/sh
# Writes the three GIF benchmark inputs into DIR, deterministically (fixed seeds),
# with ImageMagick:
#   photo-4000x3000.gif   one 4000 x 3000 frame, photo-like, a 256-colour global table
#   anim-500x500x100.gif  100 frames of 500 x 500, each with its own (local) table
#   anim-65x35x38.gif     38 frames of 65 x 35, one 256-colour table, loop count 1000,
#                         frames 2 to 38 with a delay of 2 (ImageMagick stores
#                         the -loop value less one)
# and three more of the same kinds, made another way:
#   photo2-4000x3000.gif  another landscape, Floyd-Steinberg dithered: shorter strings
#   anim2-500x500x100.gif 100 frames panning over one picture, one global table,
#                         interlaced
#   anim2-65x35x38.gif    38 frames of 65 x 35, a dithered gradient behind a moving
#                         ellipse, one global table, a delay of 2 on every frame
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

if [ ! -s "$DIR/photo2-4000x3000.gif" ]; then
  convert -seed 1789 -size 4000x3000 plasma:fractal -blur 0x0.6 -dither FloydSteinberg -colors 256 \
    "$TMP/photo2.gif"
  mv "$TMP/photo2.gif" "$DIR/photo2-4000x3000.gif"
fi

if [ ! -s "$DIR/anim2-500x500x100.gif" ]; then
  # One larger picture and its palette; each frame a window moved a little further.
  convert -seed 2024 -size 800x700 plasma:fractal -blur 0x1 "$TMP/pan.png"
  convert "$TMP/pan.png" -colors 256 -unique-colors "$TMP/pan-palette.gif"
  i=0
  while [ $i -lt 100 ]; do
    convert "$TMP/pan.png" -crop 500x500+$((i * 3))+$((i * 2)) +repage -dither FloydSteinberg \
      -remap "$TMP/pan-palette.gif" "$TMP/p$(printf %03d $i).gif"
    i=$((i + 1))
  done
  convert -delay 4 -loop 0 "$TMP"/p*.gif -interlace GIF "$TMP/anim2.gif"
  mv "$TMP/anim2.gif" "$DIR/anim2-500x500x100.gif"
fi

if [ ! -s "$DIR/anim2-65x35x38.gif" ]; then
  convert -seed 11 -size 16x16 plasma:fractal -colors 256 -unique-colors "$TMP/palette2.gif"
  i=0
  while [ $i -lt 38 ]; do
    convert -size 65x35 gradient:"hsl($((i * 5)),70%,70%)"-navy \
      -fill "hsl($((200 - i * 4)),90%,45%)" -draw "ellipse $((8 + i * 13 / 10)),$((17 + i % 7 - 3)) 7,5 0,360" \
      -dither FloydSteinberg -remap "$TMP/palette2.gif" "$TMP/t$(printf %03d $i).gif"
    i=$((i + 1))
  done
  convert -delay 2 -loop 0 "$TMP"/t0*.gif "$TMP/small2.gif"
  mv "$TMP/small2.gif" "$DIR/anim2-65x35x38.gif"
fi
