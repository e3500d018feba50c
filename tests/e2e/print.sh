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
# Screenshots until it shows the photo in one quarter, for up to 8 s.
for tries in $(seq 40 -1 1); do
  shot
  convert "$work/shot.png" -crop 296x296+177+129 +repage "$work/page.png"
  box=$(convert "$work/page.png" -bordercolor 'rgb(194,194,194)' -border 1 -fuzz 2% -trim -format '%w %h %X %Y' info:)
  read -r sw sh sx sy <<<"$box"
  sx=${sx#+}; sy=${sy#+}; sx=$((sx - 1)); sy=$((sy - 1))
  preview=$(quadrants "$work/page.png" "$sx" "$sy" "$sw" "$sh")
  [ "$sw" -gt 100 ] && [ "$sh" -gt 100 ] && [ "$(echo "$preview" | tr -cd R | wc -c)" -eq 1 ] && break
  [ "$tries" -gt 1 ] || fail "preview: sheet $box, quadrants $preview: expected a sheet with one red quarter"
  sleep 0.2
done
echo "ok: the preview shows a ${sw} x ${sh} sheet"
echo "ok: the preview puts the photo in one quarter ($preview)"

click 247 455 0.1       # IMPRIMER: the print dialog
for _ in $(seq 1 50); do
  xdotool search --onlyvisible --name '^Imprimer' >/dev/null 2>&1 && break
  sleep 0.2
done
xdotool search --onlyvisible --name '^Imprimer' >/dev/null 2>&1 || fail "no print dialog"
sleep 0.5
xdotool key Return      # its default button prints to the offered file
for _ in $(seq 1 50); do
  [ -s "$work/home/print.pdf" ] && break
  sleep 0.2
done
[ -s "$work/home/print.pdf" ] || fail "nothing printed to $work/home/print.pdf"
sleep 0.5
pages=$(pdfinfo "$work/home/print.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = "1" ] || fail "the PDF has $pages pages"
pdftoppm -r 30 -png -singlefile "$work/home/print.pdf" "$work/printed"
read -r pw ph <<<"$(convert "$work/printed.png" -format '%w %h' info:)"
printed=$(quadrants "$work/printed.png" 0 0 "$pw" "$ph")
[ "$printed" = "$preview" ] || fail "printed quadrants $printed, preview $preview"
echo "ok: the printed page ($pw x $ph) matches the preview ($printed)"

quit_galimo
