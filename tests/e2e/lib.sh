# Shared by the end-to-end scripts: Xvfb, the window, screenshots and pixels.
# Usage: source lib.sh "$@" at the top of a script whose first argument is the galimo binary.

if [ -z "${GALIMO_E2E_INNER:-}" ]; then
  export GALIMO_E2E_INNER=1
  exec bash "$(dirname "$0")/with-xvfb.sh" "${GALIMO_E2E_SCREEN:-800x600x24}" bash "$0" "$@"
fi
unset QT_QPA_PLATFORM

work=$(mktemp -d)
trap '[ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# within SECONDS COMMAND...: runs COMMAND until it succeeds, for up to SECONDS; fails
# (returns 1) when the time is up. Every wait of these scripts is one of these, for what the
# script checks next: none sleeps blind.
# The clock is bash's own: a poll costs the check, not a process for the time.
within() {
  local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

shot() { import -window root "$work/shot.png"; }
# pixel IMAGE X Y -> RRGGBB (upper case)
pixel_of() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6 | tr a-f A-F; }
pixel() { pixel_of "$work/shot.png" "$1" "$2"; }
has_colour() {  # x y w h RRGGBB: does the last screenshot show that colour there?
  local colours
  colours=$(convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -unique-colors txt:)
  grep -qi "#$5" <<<"$colours"
}
# shows_pixel X Y RRGGBB: a fresh screenshot has that colour there (the colour seen: $got).
shows_pixel() {
  shot
  got=$(pixel "$1" "$2")
  [ "$got" = "$(echo "$3" | tr a-f A-F)" ]
}
expect() {  # x y RRGGBB what: takes screenshots until the pixel shows, for up to 8 s
  within 8 shows_pixel "$1" "$2" "$3" || fail "$4: pixel ($1, $2) is $got, expected $3"
  echo "ok: $4"
}
window_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_window() { within 10 window_shown "$1" || fail "no window named $1"; }
window_focused() { xdotool getwindowfocus getwindowname 2>/dev/null | grep -q "$1"; }
file_written() { [ -s "$1" ]; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }

# Starts galimo in the folder $1 and waits for its window, drawn: the form's silver in the
# bottom-left corner, where Xvfb's root shows black.
start_galimo() {
  (cd "$1" && exec "$exe") & pid=$!
  wait_window '^Galimo$'
  within 8 shows_pixel 10 590 c0c0c0 || fail "the window is not drawn: pixel (10, 590) is $got"
}

# The pointer moves and clicks; what the click does is waited for by the check after it.
click() { xdotool mousemove "$1" "$2" click 1; }

# Clicks the door button and expects a normal exit.
quit_galimo() {
  click 24 20
  if ! within 5 ended "$pid"; then kill "$pid"; fail "still running after quitter"; fi
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "exit code $code"
  echo "ok: quitter ends the program with exit code 0"
}
