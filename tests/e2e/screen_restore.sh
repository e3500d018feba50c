#!/usr/bin/env bash
# The visitor's screen is put back however the program ends: an X server at 1024 x 768 and
# 75 Hz whose output also offers 800 x 600, galimo switches it down, then it is closed, ended
# by a signal or killed, and the screen must be back in that very mode (not the server's own
# 1024 x 768 mode of another rate) with no guard process left behind. A second start while
# galimo runs ends at once and changes nothing.
set -euo pipefail
exe=$1
export GALIMO_E2E_SCREEN=1024x768x24
source "$(dirname "$0")/lib.sh" "$@"

guard="$(dirname "$(readlink -f "$exe")")/galimo-guard"
[ -x "$guard" ] || fail "no screen guard beside $exe"

# Xvfb offers one mode: give its output an 800 x 600 one too, held until this script ends.
exec {modes}> >(exec python3 "$(dirname "$0")/addmode.py")
has_mode() { local modes; modes=$(xrandr); grep -q '^ *800x600 ' <<<"$modes"; }
within 5 has_mode || fail "no 800x600 mode added to the X server"
xrandr --output screen --mode 1024x768_75
in_75() { local modes; modes=$(xrandr); grep -q '^ *1024x768_75 .*\*' <<<"$modes"; }
within 5 in_75 || fail "the X server does not take the 75 Hz mode"

size() { xdpyinfo | awk '/dimensions:/ { print $2; exit }'; }
is_size() { [ "$(size)" = "$1" ]; }
wait_size() {  # SIZE WHAT: waits up to 10 s for the screen to be SIZE
  within 10 is_size "$1" || fail "$2: the screen is $(size), expected $1"
}
guards() {  # pids of running screen guards
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$guard" ] && echo "${p#/proc/}"
  done
  return 0
}
no_guard() { [ -z "$(guards)" ]; }
wait_no_guard() {
  within 5 no_guard || fail "$1: a screen guard is still running: $(guards)"
}

mkdir -p "$work/medium/Couleurs"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/medium/Couleurs/a.bmp"

# Each way to end: "quitter" (the door button), or a signal sent to the program.
for end in quitter TERM INT HUP KILL SEGV; do
  [ "$(size)" = 1024x768 ] || fail "$end: the screen is $(size) before the start"
  # A script's background jobs ignore SIGINT: the program gets it at its default, as from a
  # terminal.
  (cd "$work/medium" && exec env --default-signal=INT "$exe") & pid=$!
  wait_size 800x600 "$end: the program switches the screen"
  wait_window '^Galimo$'
  [ -n "$(guards)" ] || fail "$end: no screen guard while the program runs"
  if [ "$end" = quitter ]; then
    expect 273 149 ff0000 "$end: the photo shows"
    # A second start: ends at once, with no switch, no record and no guard of its own.
    code=0
    (cd "$work/medium" && exec timeout 10 "$exe") || code=$?
    [ "$code" -eq 0 ] || fail "a second start ends with code $code"
    [ "$(guards | wc -l)" -eq 1 ] || fail "a second start leaves guards: $(guards)"
    running "$pid" || fail "a second start ended the first"
    echo "ok: a second start ends at once and leaves the first running"
    xdotool mousemove 24 20 click 1
  else
    kill -s "$end" "$pid"
  fi
  code=0
  wait "$pid" || code=$?
  if [ "$end" = quitter ]; then
    [ "$code" -eq 0 ] || fail "quitter: exit code $code"
  else
    [ "$code" -eq $((128 + $(kill -l "$end"))) ] || fail "$end: exit code $code, not the signal's"
  fi
  wait_size 1024x768 "$end: the screen after the end"
  within 5 in_75 || fail "$end: the screen is back at 1024x768 but not at 75 Hz: $(xrandr | grep '\*')"
  wait_no_guard "$end"
  echo "ok: $end: the screen is back at 1024x768 and 75 Hz, no guard left"
done
