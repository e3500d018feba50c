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
# The box is centred: 281 x 185 at 259, 207; the button over lines two and three.
offers_button() { shot && has_colour 299 279 201 25 008000; }
shows_lines() { shot && has_colour 267 239 265 75 800000 && ! has_colour 299 279 201 25 008000; }
visible_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }

start_galimo "$work/medium"
click 120 20  # "?"
within 8 offers_button || fail "no green personalise button"
! has_colour 267 239 265 75 800000 || fail "lines shown without a file"
echo "ok: the about box offers the personalise button"

click 400 291
within 10 window_focused '^Personnalisation de Galimo$' || fail "no dialog \"Personnalisation de Galimo\" taking the keys"
echo "ok: the dialog's caption is exactly \"Personnalisation de Galimo\""
xdotool type --delay 20 "Bienvenue sur ce CD"; xdotool key Tab
xdotool type --delay 20 "Photos de famille"; xdotool key Tab
xdotool type --delay 20 "Bonne visite !"; xdotool key Tab
xdotool type --delay 20 "famille@example.net"; xdotool key Tab
xdotool type --delay 20 "Ecrivez-nous"
printf 'LIGNE1=Bienvenue sur ce CD\r\nLIGNE2=Photos de famille\r\nLIGNE3=Bonne visite !\r\nHINT=Ecrivez-nous\r\nMAIL=famille@example.net\r\n' > "$work/want.ini"
click 328 366  # VALIDER
within 8 cmp -s "$work/medium/galimo.ini" "$work/want.ini" || cmp "$work/medium/galimo.ini" "$work/want.ini" ||
  fail "galimo.ini holds other bytes"
echo "ok: VALIDER writes galimo.ini"
within 8 shows_lines || fail "the lines do not show, or the personalise button still does"
echo "ok: the box shows the lines at once and no button"
if [ -n "${GALIMO_ABOUT_SHOT:-}" ]; then
  before=$(visible_windows)
  xdotool mousemove 404 345  # over the mail picture: its hint
  hint_shown() { [ "$(visible_windows)" -gt "$before" ]; }
  within 8 hint_shown || fail "no hint over the mail picture"
  shot
  convert "$work/shot.png" -crop 291x215+254+202 +repage "$GALIMO_ABOUT_SHOT"
fi
click 503 223  # FERMER
quit_galimo

start_galimo "$work/medium"
click 120 20
within 8 shows_lines || fail "a second start does not read the file, or offers the button again"
echo "ok: a second start shows the personalised box"
click 503 223
quit_galimo
