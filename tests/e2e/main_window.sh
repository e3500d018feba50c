#!/usr/bin/env bash
# Starts the real galimo on a generated medium of plain-coloured bitmaps of known sizes and
# one damaged file, checks the photo where the layout rules put it, toggles the zoom with a
# click, and quits with the door button. Runs itself under Xvfb when there is no display.
set -euo pipefail
exe=$1
source "$(dirname "$0")/lib.sh" "$@"

mkdir -p "$work/medium/Couleurs" "$work/medium/_cache"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Couleurs/a.bmp"
convert -size 1024x768 xc:'#0000ff' "BMP3:$work/medium/Couleurs/b.bmp"
echo "no bitmap" >"$work/medium/Couleurs/c.bmp"
convert -size 50x50 xc:'#00ff00' "BMP3:$work/medium/Couleurs/d.bmp"
convert -size 50x50 xc:'#00ff00' "BMP3:$work/medium/_cache/c.bmp"
start_galimo "$work/medium"

# The damaged file gets one error box; once it is closed the strip goes on to the end.
boxes() { [ "$(xdotool search --onlyvisible --name '^Galimo$' | wc -l)" -eq "$1" ]; }
within 10 boxes 2 || fail "no error box for the damaged file"
xdotool key Return
within 10 boxes 1 || fail "the error box is still open"
echo "ok: one error box for the damaged file"

# The 400 x 300 picture at natural size, centred in the 657 x 597 view at x 144: content
# position 128, 148, inside the view's one-pixel frame.
expect 273 149 ff0000 "natural photo's top-left corner"
expect 672 448 ff0000 "natural photo's bottom-right corner"
expect 272 149 c0c0c0 "silver left of the photo"
expect 273 449 c0c0c0 "silver below the photo"

# The second thumbnail (1024 x 768: 120 x 90, centred on y 190 of the strip at y 168).
click 62 358
expect 150 57 0000ff "fitted photo's top-left corner (5, 56)"
expect 796 541 0000ff "fitted photo's bottom-right corner"
expect 150 56 c0c0c0 "silver above the fitted photo"

# A click on the photo toggles to natural size: the view is blue all over.
click 400 300
expect 150 20 0000ff "natural size fills the view"
click 400 300
expect 150 56 c0c0c0 "fitted again after a second click"

# Keys: Left goes back to the first picture, whose thumbnail (120 x 90 at 1, 15 of the
# strip) takes the frame; End goes to the last one, past the damaged file.
xdotool key Left
expect 273 149 ff0000 "Left shows the first picture"
expect 62 183 308cc6 "the frame above the first thumbnail, in the selection colour"
expect 62 184 ff0000 "the thumbnail's own top row untouched"
xdotool key End
expect 470 296 00ff00 "End shows the last picture (50 x 50, centred)"
xdotool key Left
expect 473 149 a0a0a4 "Left shows the damaged file's grey frame, where a 400 x 300 photo sits"
boxes 1 || fail "choosing the damaged file showed a box"

quit_galimo
