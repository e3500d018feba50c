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

# One Galimo per user: another account holding this user's name in the socket namespace
# keeps no start from running; the second start still finds this user's first.
key=galimo-$(printf 'xcb %s %s' "$(id -u)" "${DISPLAY%.*}" | sha1sum | cut -c1-40)
exec {squatter}> >(exec setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX); s.bind("\0" + sys.argv[1]); s.listen(1); sys.stdin.read()' "$key-0")
held() { grep -q "@$key-0\$" /proc/net/unix; }
within 5 held || fail "user nobody does not hold $key-0"
start_galimo "$work/medium"
wait_size 800x600 "another user's name held: the program switches the screen"
code=0
(cd "$work/medium" && exec timeout 10 "$exe") || code=$?
[ "$code" -eq 0 ] || fail "another user's name held: a second start ends with code $code"
running "$pid" || fail "another user's name held: a second start ended the first"
quit_galimo
exec {squatter}>&-
wait_size 1024x768 "another user's name held: the screen after the end"
echo "ok: another user's holder neither stops nor catches this user's starts"

# A first Galimo that does not answer (stopped): later starts, more of them than a listening
# queue of old held, each end within about a second with a reason, changing nothing.
start_galimo "$work/medium"
wait_size 800x600 "stopped first: the program switches the screen"
kill -STOP "$pid"
trap 'kill -CONT "$pid" 2>/dev/null || true; [ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
t0=$(date +%s%N)
for i in 1 2 3 4 5 6 7 8; do
  (cd "$work/medium" && { c=0; timeout 10 "$exe" 2>"$work/second$i.err" || c=$?; echo $c >"$work/second$i.code"; }) &
done
wait_codes() { local i; for i in 1 2 3 4 5 6 7 8; do [ -s "$work/second$i.code" ] || return 1; done; }
within 12 wait_codes || fail "stopped first: a second start has not ended"
echo "eight second starts against a stopped first ended in $((($(date +%s%N) - t0) / 1000000)) ms"
for i in 1 2 3 4 5 6 7 8; do
  [ "$(cat "$work/second$i.code")" = 1 ] || fail "stopped first: start $i ended with $(cat "$work/second$i.code")"
  grep -q "ne répond pas" "$work/second$i.err" || fail "stopped first: start $i says: $(cat "$work/second$i.err")"
done
[ "$(guards | wc -l)" -eq 1 ] || fail "stopped first: the second starts leave guards: $(guards)"
is_size 800x600 || fail "stopped first: a second start changed the screen to $(size)"
kill -CONT "$pid"
quit_galimo
wait_size 1024x768 "stopped first: the screen after the end"
wait_no_guard "stopped first"
echo "ok: starts against a first that does not answer end with a reason and change nothing"

# The guard with an output that went away: unplugged (an id the server no longer knows) or
# no longer showing anything. Exit status 3: the screen, still 800 x 600, is back on the
# output now carrying it; 4: nothing to put back, nothing changed.
out_id=$(xrandr --verbose | awk '/^screen /{f=1} f && /Identifier:/ {print $2; exit}')
mode_id=$(xrandr --verbose | awk '$1 == "1024x768_75" {gsub(/[()]/, "", $2); print $2; exit}')
[ -n "$out_id" ] && [ -n "$mode_id" ] || fail "no output or mode id in xrandr's answer"
run_guard() {  # OUTPUT: the guard as the program would start it, its program already ended
  code=0
  "$guard" 1024 768 $(($1)) $((mode_id)) 800 600 </dev/null || code=$?
}
xrandr --output screen --mode 800x600
wait_size 800x600 "unplugged output"
run_guard 0x7ffffff0
[ "$code" -eq 3 ] || fail "unplugged output, screen at 800x600: the guard ends with $code"
within 5 in_75 || fail "unplugged output: the screen is not back in the start mode: $(xrandr | grep '\*')"
xrandr --output screen --mode 1024x768
run_guard 0x7ffffff0
[ "$code" -eq 4 ] || fail "unplugged output, screen at another size: the guard ends with $code"
xrandr | grep -q '^ *1024x768 .*\*' || fail "unplugged output: the guard changed another output: $(xrandr | grep '\*')"
xrandr --output screen --mode 800x600
xrandr --output screen --off 2>/dev/null || true
lit() { xrandr | grep -q '^screen connected [0-9]'; }
! lit || fail "the output cannot be turned off"
run_guard "$out_id"
[ "$code" -eq 4 ] || fail "output showing nothing: the guard ends with $code"
! lit || fail "output showing nothing: the guard turned it on"
xrandr --output screen --mode 1024x768_75
echo "ok: the guard puts the start size back only on the screen that still has the program's size"
