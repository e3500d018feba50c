#!/usr/bin/env bash
# The about box on a medium without a personalisation file: "?" shows it with the green
# personalise button, the dialog (captioned exactly "Personnalisation de Galimo") writes
# galimo.ini, the box shows the lines at once, and a second start offers no button.
# With GALIMO_ABOUT_SHOT=path the personalised box is also saved there.
set -euo pipefail
exe=$1
source "$(dirname "$0")/lib.sh" "$@"

mkdir -p "$work/medium/Album"
convert -size 40x30 xc:'#808080' "BMP3:$work/medium/Album/a.bmp"
has_colour() {  # x y w h RRGGBB: does the last screenshot show that colour there?
  local colours
  colours=$(convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -unique-colors txt:)
  grep -qi "#$5" <<<"$colours"
}
wait_window() {
  for _ in $(seq 1 50); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "no window named $1"
}

start_galimo "$work/medium"
click 120 20 1.2  # "?"
# The box is centred: 281 x 185 at 259, 207; the button over lines two and three.
shot
has_colour 299 279 201 25 008000 || fail "no green personalise button"
! has_colour 267 239 265 75 800000 || fail "lines shown without a file"
echo "ok: the about box offers the personalise button"

click 400 291 1.2
wait_window '^Personnalisation de Galimo$'
echo "ok: the dialog's caption is exactly \"Personnalisation de Galimo\""
xdotool type --delay 20 "Bienvenue sur ce CD"; xdotool key Tab
xdotool type --delay 20 "Photos de famille"; xdotool key Tab
xdotool type --delay 20 "Bonne visite !"; xdotool key Tab
xdotool type --delay 20 "famille@example.net"; xdotool key Tab
xdotool type --delay 20 "Ecrivez-nous"
click 328 366 1.2  # VALIDER
printf 'LIGNE1=Bienvenue sur ce CD\r\nLIGNE2=Photos de famille\r\nLIGNE3=Bonne visite !\r\nHINT=Ecrivez-nous\r\nMAIL=famille@example.net\r\n' > "$work/want.ini"
cmp "$work/medium/galimo.ini" "$work/want.ini" || fail "galimo.ini holds other bytes"
echo "ok: VALIDER writes galimo.ini"
xdotool mousemove 404 345; sleep 1.5  # over the mail picture: its hint
shot
has_colour 267 239 265 75 800000 || fail "the lines do not show"
! has_colour 299 279 201 25 008000 || fail "the personalise button still shows"
echo "ok: the box shows the lines at once and no button"
if [ -n "${GALIMO_ABOUT_SHOT:-}" ]; then convert "$work/shot.png" -crop 291x215+254+202 +repage "$GALIMO_ABOUT_SHOT"; fi
click 503 223  # FERMER
quit_galimo

start_galimo "$work/medium"
click 120 20 1.2
shot
has_colour 267 239 265 75 800000 || fail "a second start does not read the file"
! has_colour 299 279 201 25 008000 || fail "a second start offers the button again"
echo "ok: a second start shows the personalised box"
click 503 223
quit_galimo
