#!/usr/bin/env bash
# Prints a quarter page from the real program through the real print dialog to a PDF file,
# and checks that the printed page puts the photo in the quarter the preview shows.
set -euo pipefail
exe=$1
source "$(dirname "$0")/lib.sh" "$@"

mkdir -p "$work/medium/Rouge" "$work/home"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Rouge/a.bmp"
# The print dialog offers $HOME/print.pdf as the file to print to.
export HOME="$work/home"
start_galimo "$work/medium"

click 72 20             # Imprimer: the panel opens
expect 639 300 ffffff "the print panel opens over the photo (its frame's right edge)"
click 549 211           # Quart de page
quadrants() {  # IMAGE X Y W H -> four letters, R for red, - otherwise, in reading order
  local out="" qx qy p
  for qy in 1 3; do
    for qx in 1 3; do
      p=$(pixel_of "$1" $(( $2 + $4 * qx / 4 )) $(( $3 + $5 * qy / 4 )))
      # Red within what colour conversion in a PDF renderer may move it.
      if (( 16#${p:0:2} > 200 && 16#${p:2:2} < 60 && 16#${p:4:2} < 60 )); then out="${out}R"; else out="${out}-"; fi
    done
  done
  echo "$out"
}

# The preview surface (`page`, 296 x 296 inside the panel): the sheet is what is not grey.
# True when a fresh screenshot shows a sheet with the photo in one quarter.
preview_one_quarter() {
  shot
  convert "$work/shot.png" -crop 296x296+177+129 +repage "$work/page.png"
  box=$(convert "$work/page.png" -bordercolor 'rgb(194,194,194)' -border 1 -fuzz 2% -trim -format '%w %h %X %Y' info:)
  read -r sw sh sx sy <<<"$box"
  sx=${sx#+}; sy=${sy#+}; sx=$((sx - 1)); sy=$((sy - 1))
  preview=$(quadrants "$work/page.png" "$sx" "$sy" "$sw" "$sh")
  [ "$sw" -gt 100 ] && [ "$sh" -gt 100 ] && [ "$(echo "$preview" | tr -cd R | wc -c)" -eq 1 ]
}
within 8 preview_one_quarter ||
  fail "preview: sheet $box, quadrants $preview: expected a sheet with one red quarter"
echo "ok: the preview shows a ${sw} x ${sh} sheet"
echo "ok: the preview puts the photo in one quarter ($preview)"

click 247 455           # IMPRIMER: the print dialog, taking the keys
within 10 window_focused '^Imprimer' || fail "no print dialog with the keyboard focus"
xdotool key Return      # its default button prints to the offered file
# Written whole: the writer's last line is the end-of-file mark.
pdf_complete() { [ -s "$1" ] && tail -c 16 "$1" | grep -q '%%EOF'; }
within 10 pdf_complete "$work/home/print.pdf" || fail "nothing printed to $work/home/print.pdf"
pages=$(pdfinfo "$work/home/print.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = "1" ] || fail "the PDF has $pages pages"
pdftoppm -r 30 -png -singlefile "$work/home/print.pdf" "$work/printed"
read -r pw ph <<<"$(convert "$work/printed.png" -format '%w %h' info:)"
printed=$(quadrants "$work/printed.png" 0 0 "$pw" "$ph")
[ "$printed" = "$preview" ] || fail "printed quadrants $printed, preview $preview"
echo "ok: the printed page ($pw x $ph) matches the preview ($printed)"

quit_galimo
