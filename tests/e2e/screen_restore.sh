#!/usr/bin/env bash
# The visitor's screen is put back however the program ends: an X server at 1024 x 768 whose
# output also offers 800 x 600, galimo switches it down, then it is closed, ended by a signal
# or killed, and the screen must be back at 1024 x 768 with no guard process left behind.
set -euo pipefail
exe=$1
export GALIMO_E2E_SCREEN=1024x768x24
source "$(dirname "$0")/lib.sh" "$@"

guard="$(dirname "$(readlink -f "$exe")")/galimo-guard"
[ -x "$guard" ] || fail "no screen guard beside $exe"

# Xvfb offers one mode: give its output an 800 x 600 one too, held until this script ends.
exec {modes}> >(exec python3 "$(dirname "$0")/addmode.py")
has_mode() { local modes; modes=$(xrandr); grep -q '^ *800x600 ' <<<"$modes"; }
for _ in $(seq 1 50); do
  has_mode && break
  sleep 0.1
done
has_mode || fail "no 800x600 mode added to the X server"

size() { xdpyinfo | awk '/dimensions:/ { print $2; exit }'; }
wait_size() {  # SIZE WHAT: waits up to 10 s for the screen to be SIZE
  local tries=100
  until [ "$(size)" = "$1" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "$2: the screen is $(size), expected $1"
    sleep 0.1
  done
}
guards() {  # pids of running screen guards
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$guard" ] && echo "${p#/proc/}"
  done
  return 0
}
wait_no_guard() {
  local tries=50
  while [ -n "$(guards)" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "$1: a screen guard is still running: $(guards)"
    sleep 0.1
  done
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
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name '^Galimo$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  [ -n "$(guards)" ] || fail "$end: no screen guard while the program runs"
  if [ "$end" = quitter ]; then
    expect 273 149 ff0000 "$end: the photo shows"
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
  wait_no_guard "$end"
  echo "ok: $end: the screen is back at 1024x768, no guard left"
done
