#!/usr/bin/env bash
# Starts the real galimo on a generated medium of plain-coloured bitmaps of known sizes,
# checks the photo where the layout rules put it, toggles the zoom with a click, and quits
# with the door button. Runs itself under Xvfb when there is no display.
set -euo pipefail
exe=$1
if [ -z "${GALIMO_E2E_INNER:-}" ]; then
  export GALIMO_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 800x600x24" bash "$0" "$@"
fi
unset QT_QPA_PLATFORM

work=$(mktemp -d)
trap '[ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/medium/Couleurs" "$work/medium/_cache"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Couleurs/a.bmp"
convert -size 1024x768 xc:'#0000ff' "BMP3:$work/medium/Couleurs/b.bmp"
convert -size 50x50 xc:'#00ff00' "BMP3:$work/medium/_cache/c.bmp"

fail() { echo "FAIL: $*"; exit 1; }
shot() { import -window root "$work/shot.png"; }
pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6 | tr a-f A-F; }
expect() {  # x y RRGGBB what
  local got want; got=$(pixel "$1" "$2"); want=$(echo "$3" | tr a-f A-F)
  [ "$got" = "$want" ] || fail "$4: pixel ($1, $2) is $got, expected $want"
  echo "ok: $4"
}

cd "$work/medium"
"$exe" & pid=$!
for _ in $(seq 1 100); do
  xdotool search --name '^Galimo$' >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool search --name '^Galimo$' >/dev/null 2>&1 || fail "no Galimo window"
sleep 1.5

# The 400 x 300 picture at natural size, centred in the 657 x 597 view at x 144: content
# position 128, 148, inside the view's one-pixel frame.
shot
expect 273 149 ff0000 "natural photo's top-left corner"
expect 672 448 ff0000 "natural photo's bottom-right corner"
expect 272 149 c0c0c0 "silver left of the photo"
expect 273 449 c0c0c0 "silver below the photo"

# The second thumbnail (1024 x 768: 120 x 90, centred on y 190 of the strip at y 168).
xdotool mousemove 62 358 click 1
sleep 0.8
shot
expect 150 57 0000ff "fitted photo's top-left corner (5, 56)"
expect 796 541 0000ff "fitted photo's bottom-right corner"
expect 150 56 c0c0c0 "silver above the fitted photo"

# A click on the photo toggles to natural size: the view is blue all over.
xdotool mousemove 400 300 click 1
sleep 0.8
shot
expect 150 20 0000ff "natural size fills the view"
xdotool mousemove 400 300 click 1
sleep 0.8
shot
expect 150 56 c0c0c0 "fitted again after a second click"

# The door button ends the program normally.
xdotool mousemove 24 20 click 1
for _ in $(seq 1 50); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then kill $pid; fail "still running after quitter"; fi
wait $pid && code=0 || code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
echo "ok: quitter ends the program with exit code 0"
