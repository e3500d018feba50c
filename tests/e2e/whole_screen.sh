#!/usr/bin/env bash
# Where the display cannot be switched, Galimo owns the screen all the same: the 800 x 600
# form drawn at the scale that fills the screen, centred on black, the print panel inside the
# form, dialogs over it that keep every key. X servers of 1366 x 768 and of 1920 x 1080 on a
# desktop scaled 200 %, none offering 800 x 600; then a Wayland compositor (weston, nested in
# an X server of 1920 x 1200) of 1920 x 1080.
# Usage: whole_screen.sh GALIMO [x11 | scaled | wayland]: one desktop alone, or all three.
set -euo pipefail
exe=$1
part=${2:-all}
export GALIMO_E2E_SCREEN=1920x1200x24
source "$(dirname "$0")/lib.sh" "$@"
command -v weston >/dev/null || fail "no weston (make deps)"

mkdir -p "$work/medium/Rouge" "$work/medium/Vert" "$work/home"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Rouge/a.bmp"
# One photo pixel on one screen pixel shows this grid as it is; any scaling greys it.
convert -size 240x160 pattern:gray50 -fill '#0000ff' -draw 'rectangle 0,0 9,9' "BMP3:$work/medium/Rouge/b.bmp"
cp "$work/medium/Rouge/"* "$work/medium/Vert/"  # a second album, whichever is listed first
export HOME="$work/home"  # the print dialog offers $HOME/print.pdf
guard="$(dirname "$(readlink -f "$exe")")/galimo-guard"
no_guard() { ! pgrep -P "$pid" -f "^$guard" >/dev/null; }  # the guard is started by galimo
gone() { ! "$@"; }
# on_screen W H: the form's scale and corner on a screen of W x H.
on_screen() {
  read -r f ox oy < <(awk -v w="$1" -v h="$2" 'BEGIN { f = w / 800; if (h / 600 < f) f = h / 600;
    printf "%.6f %d %d\n", f, int((w - 800 * f) / 2 + 0.5), int((h - 600 * f) / 2 + 0.5) }')
  sw=$1 sh=$2
}
# at X Y: the screen pixel of the form's point (X, Y).
at() { awk -v f="$f" -v x="$1" -v y="$2" -v ox="$ox" -v oy="$oy" 'BEGIN { printf "%d %d\n", ox + int(x * f + 0.5), oy + int(y * f + 0.5) }'; }
# click_then X Y CHECK...: clicks, then checks. Run under within, it clicks again while the
# check fails: the nested compositor may let a click go by, and a second one lands on what the
# first opened (a shield or a disabled button), which ignores it.
click_then() { local x=$1 y=$2; shift 2; click "$x" "$y"; "$@"; }

# The form fills the screen's height (or width), centred, black on both sides, never cut.
owns_screen() {  # a start on a busy machine may take its time
  within 30 shows_pixel $(at 10 590) c0c0c0 || fail "$1: no form at the centre of the screen"
  expect "$(at 10 0 | cut -d' ' -f1)" $((sh - 1)) efefef "$1: the form reaches the screen's bottom edge"
  expect $((ox - 3)) $((sh / 2)) 000000 "$1: black left of the form"
  expect $((sw - ox + 2)) $((sh / 2)) 000000 "$1: black right of the form"
  expect $(at 472 298) ff0000 "$1: the photo in the form"
}
# The grid at natural size: somewhere about the view's centre, its own pixels one for one.
natural_exact() {
  local cx cy
  read -r cx cy < <(at 472 298)
  shot
  convert "$work/shot.png" -crop "260x180+$((cx - 130))+$((cy - 90))" +repage "$work/area.png"
  convert "$work/medium/Rouge/b.bmp" "$work/grid.png"
  compare -metric AE -subimage-search "$work/area.png" "$work/grid.png" null: 2>&1 | grep -q '^0 '
}
thumbnail_then_natural() {
  within 8 click_then $(at 61 358) natural_exact || fail "$1: the second thumbnail does not show the grid pixel for pixel"
  echo "ok: $1: a thumbnail click at its drawn place, the photo's own pixels at natural size"
}
# Ctrl+P opens the panel centred in the form (its white frame's right edge). Keys first: weston's
# nested backend takes the X pointer's moves only once a key has reached it.
panel_shown_after_key() { xdotool key ctrl+p; shows_pixel $(at 638.5 300) ffffff; }
panel_in_form() {
  within 8 panel_shown_after_key || fail "$1: no print panel inside the form"
  echo "ok: $1: the print panel inside the form"
}
# The about box, centred over the form: its green personalise button.
about_centred() { shot && has_colour $(at 299 279) $(awk -v f="$f" 'BEGIN { print int(201 * f), int(25 * f) }') 008000; }
about_anywhere() { shot && has_colour 0 0 "$sw" "$sh" 008000; }
# Over an open dialog, no key reaches the window beneath: not the photo keys, not the album
# list's, not Tab out of the dialog then Space, not Ctrl+Q. Closed, the keys are the window's.
dialog_holds_keys() {
  within 8 click_then $(at 120 20) about_centred || fail "$1: the about box is not centred over the form"
  echo "ok: $1: the about box centred over the form"
  local k
  for k in Home Down Tab Tab Tab Tab Tab Tab space Up ctrl+q; do xdotool key "$k"; sleep 0.1; done
  running "$pid" || fail "$1: a key over the about box ended the program"
  within 8 about_centred || fail "$1: a key over the about box closed it"
  xdotool key Escape
  within 8 gone about_anywhere || fail "$1: the about box does not close"
  natural_exact || fail "$1: a key over the about box changed the photo"
  echo "ok: $1: no key passes the about box"
  xdotool key Home
  expect $(at 472 298) ff0000 "$1: the keys are the window's again once it is closed"
}
quits() {
  within 8 click_then $(at 24 20) ended "$pid" || { kill "$pid"; fail "$1: still running after quitter"; }
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "$1: exit code $code"
  echo "ok: $1: quitter ends the program"
}
# x_server WxH: a fresh X server of that size, with no other mode, for what follows.
x_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -noreset -screen 0 "$1x24" 3>"$work/display" 2>/dev/null & xserver=$!
  within 10 file_written "$work/display" || fail "no X server of $1"
  export DISPLAY=":$(cat "$work/display")"
}
trap 'kill ${xserver:-} ${weston:-} 2>/dev/null; [ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
first_display=$DISPLAY

wanted() { [ "$part" = all ] || [ "$part" = "$1" ]; }

# --- X11 at 1366 x 768, no 800 x 600 mode: nothing switched, the form at 1.28.
if wanted x11; then
  x_server 1366x768
  on_screen 1366 768
  (cd "$work/medium" && exec "$exe") & pid=$!
  wait_window '^Galimo$'
  owns_screen X11
  no_guard || fail "X11: a screen guard runs although nothing was switched"
  [ "$(xdpyinfo | awk '/dimensions:/ { print $2; exit }')" = 1366x768 ] || fail "X11: the screen changed size"
  thumbnail_then_natural X11
  dialog_holds_keys X11
  panel_in_form X11
  click $(at 247 455)  # IMPRIMER: the dialog, centred over the form
  within 10 window_focused '^Imprimer' || fail "X11: no print dialog"
  xdotool key Escape
  within 5 gone window_focused '^Imprimer' || fail "X11: the print dialog does not close"
  quits X11
  kill $xserver
fi

# --- A desktop scaled 200 % at 1920 x 1080: the same 1.8 as unscaled, the whole form on the
# screen, its door at its place.
if wanted scaled; then
  x_server 1920x1080
  on_screen 1920 1080
  (cd "$work/medium" && exec env QT_SCALE_FACTOR=2 "$exe") & pid=$!
  wait_window '^Galimo$'
  owns_screen "200 %"
  expect $(at 70 150) ffffff "200 %: the album list at the top of the form, on the screen"
  quits "200 %"
  kill $xserver
  export DISPLAY=$first_display
fi

# --- Wayland: the same medium in a weston session, no X display named, at 1.8.
wanted wayland || exit 0
on_screen 1920 1080
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=x11-backend.so --width=1920 --height=1080 --socket=galimo-e2e --use-pixman --idle-time=0 \
  >"$work/weston.log" 2>&1 & weston=$!
# Up: its background drawn, and its panel, the desktop shell ready for clients.
compositor_up() { [ -S "$XDG_RUNTIME_DIR/galimo-e2e" ] && shot && ! has_colour 0 1040 1920 40 000000 && ! has_colour 0 0 1920 4 000000; }
within 15 compositor_up || fail "weston does not start: $(tail -3 "$work/weston.log")"
(cd "$work/medium" && exec env -u DISPLAY WAYLAND_DISPLAY=galimo-e2e XDG_SESSION_TYPE=wayland "$exe") & pid=$!
owns_screen Wayland
# The nested compositor follows the X pointer from its first entry into its window: one that
# mapped under the pointer may have missed it. The pointer leaves below it and comes back.
xdotool mousemove 960 1150 sleep 0.2 mousemove 960 540
# GALIMO_WAYLAND_SHOT=path keeps the screen as the visitor sees it, at half size.
[ -z "${GALIMO_WAYLAND_SHOT:-}" ] || convert "$work/shot.png" -resize 50% "$GALIMO_WAYLAND_SHOT"
no_guard || fail "Wayland: a screen guard runs"
thumbnail_then_natural Wayland
dialog_holds_keys Wayland
xdotool key Home
panel_in_form Wayland

# Prints through the dialog to the offered file: the dialog comes up over the form with the
# keys, and its default button prints.
shot; cp "$work/shot.png" "$work/before.png"
# Something beyond the pressed button changed: a window came up.
masked() { convert "$1" -fill black -draw "rectangle $(at 150 400) $(at 350 520)" "$2"; }
dialog_up() {
  shot; masked "$work/before.png" "$work/a.png"; masked "$work/shot.png" "$work/b.png"
  [ "$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)" -gt 2000 ]
}
within 10 click_then $(at 247 455) dialog_up || fail "Wayland: no print dialog"
xdotool key Return
pdf_complete() { [ -s "$1" ] && tail -c 16 "$1" | grep -q '%%EOF'; }
within 10 pdf_complete "$HOME/print.pdf" || fail "Wayland: nothing printed to $HOME/print.pdf"
pdftoppm -r 20 -png -singlefile "$HOME/print.pdf" "$work/printed"
convert "$work/printed.png" -format '%c' histogram:info: | grep -q -i '#FF0000\|#FE0000' ||
  fail "Wayland: the printed page holds no red photo"
echo "ok: Wayland: printed to PDF through the dialog"

xdotool key Escape
quits Wayland
