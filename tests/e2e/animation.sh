#!/usr/bin/env bash
# An animated GIF in the real program: the photo view plays it and loops, the thumbnail
# keeps its first frame, and the program quits cleanly in the middle of the animation.
set -euo pipefail
exe=$1
source "$(dirname "$0")/lib.sh" "$@"

mkdir -p "$work/medium/Anim"
# Two 400 x 300 frames of 50/100 s each (600 ms here), red then blue, endless.
convert -delay 50 -size 400x300 xc:'#ff0000' xc:'#0000ff' -loop 0 "$work/medium/Anim/a.gif"
start_galimo "$work/medium"

expect 400 300 ff0000 "the first frame"
expect 400 300 0000ff "the second frame"
expect 400 300 ff0000 "the first frame again: it loops"
expect 61 200 ff0000 "the thumbnail keeps the first frame"
quit_galimo
