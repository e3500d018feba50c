#!/usr/bin/env bash
# Where the display cannot be switched, Galimo owns the screen all the same: the 800 x 600
# form at the centre of a black full screen, the print panel inside the form, dialogs over it.
# First an X server at 1920 x 1200 that offers no 800 x 600 mode, then a Wayland compositor
# (weston, nested in that X server) of 1920 x 1080 at its top.
set -euo pipefail
exe=$1
export GALIMO_E2E_SCREEN=1920x1200x24
source "$(dirname "$0")/lib.sh" "$@"
command -v weston >/dev/null || fail "no weston (make deps)"

mkdir -p "$work/medium/Rouge" "$work/home"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Rouge/a.bmp"
export HOME="$work/home"  # the print dialog offers $HOME/print.pdf
ox=560 oy=300             # the form's corner on X11: (1920 - 800) / 2, (1200 - 600) / 2
at() { echo $((ox + $1)) $((oy + $2)); }
guard="$(dirname "$(readlink -f "$exe")")/galimo-guard"
no_guard() { ! pgrep -f "^$guard" >/dev/null; }
gone() { ! "$@"; }
# click_then X Y CHECK...: clicks, then checks. Run under within, it clicks again while the
# check fails: the nested compositor may let a click go by, and a second one lands on what the
# first opened (a shield or a disabled button), which ignores it.
click_then() { local x=$1 y=$2; shift 2; click "$x" "$y"; "$@"; }

# The form drawn at the centre (silver, the photo at its place) on black, where the desktop was.
owns_screen() {  # a start on a busy machine may take its time
  within 30 shows_pixel $(at 10 590) c0c0c0 || fail "$1: no form at the centre of the screen"
  expect 5 1075 000000 "$1: black surround"
  expect $(at 10 590) c0c0c0 "$1: the form's corner at the centre"
  expect $(at 273 149) ff0000 "$1: the photo in the form"
}
# Ctrl+P opens the panel centred in the form (its frame's right edge). Keys first: weston's
# nested backend takes the X pointer's moves only once a key has reached it.
panel_shown_after_key() { xdotool key ctrl+p; shows_pixel $(at 639 300) ffffff; }
panel_in_form() {
  within 8 panel_shown_after_key || fail "$1: no print panel inside the form"
  echo "ok: $1: the print panel inside the form"
}
# The about box, centred over the form: its green personalise button.
about_centred() { shot && has_colour $(at 299 279) 201 25 008000; }
about_anywhere() { shot && has_colour 0 0 1920 1080 008000; }
quits() {
  within 8 click_then $(at 24 20) ended "$pid" || { kill "$pid"; fail "$1: still running after quitter"; }
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "$1: exit code $code"
  echo "ok: $1: quitter ends the program"
}

# --- X11, no 800 x 600 mode: nothing is switched and no guard started.
(cd "$work/medium" && exec "$exe") & pid=$!
wait_window '^Galimo$'
owns_screen X11
no_guard || fail "X11: a screen guard runs although nothing was switched"
[ "$(xdpyinfo | awk '/dimensions:/ { print $2; exit }')" = 1920x1200 ] || fail "X11: the screen changed size"
panel_in_form X11
click $(at 247 455)  # IMPRIMER: the dialog, centred over the form
within 10 window_focused '^Imprimer' || fail "X11: no print dialog"
xdotool key Escape
within 5 gone window_focused '^Imprimer' || fail "X11: the print dialog does not close"
click $(at 120 20)
within 8 about_centred || fail "X11: the about box is not centred over the form"
echo "ok: X11: the about box centred over the form"
xdotool key Escape
within 8 gone about_anywhere || fail "X11: the about box does not close"
quits X11

# --- Wayland: the same medium in a weston session, no X display named.
oy=240  # (1080 - 600) / 2
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=x11-backend.so --width=1920 --height=1080 --socket=galimo-e2e --use-pixman --idle-time=0 \
  >"$work/weston.log" 2>&1 & weston=$!
trap 'kill $weston 2>/dev/null; [ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
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

# The about box centred over the form, as on X11; Escape closes it.
within 8 click_then $(at 120 20) about_centred || fail "Wayland: the about box is not centred over the form"
echo "ok: Wayland: the about box centred over the form"
xdotool key Escape
within 8 gone about_anywhere || fail "Wayland: the about box does not close"
quits Wayland
