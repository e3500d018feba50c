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
guards() {  # pids of running screen guards (-ef: the same file, without a process a pid)
  local p
  for p in /proc/[0-9]*; do
    [ "$p/exe" -ef "$guard" ] 2>/dev/null && echo "${p#/proc/}"
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
# keeps no start from running, and the second start still finds this user's first.
key=galimo-$(printf 'xcb %s %s' "$(id -u)" "${DISPLAY%.*}" | sha1sum | cut -c1-40)-0
exec {squatter}> >(exec setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX); s.bind("\0" + sys.argv[1]); s.listen(1); sys.stdin.read()' "$key")
within 5 grep -q "@$key\$" /proc/net/unix || fail "user nobody does not hold $key"
start_galimo "$work/medium"
wait_size 800x600 "another user's name held: the program switches the screen"
code=0
(cd "$work/medium" && exec timeout 10 "$exe") || code=$?
[ "$code" -eq 0 ] && running "$pid" || fail "another user's name held: a second start ends with $code"
quit_galimo
exec {squatter}>&-
echo "ok: another user's holder neither stops nor catches this user's starts"

# A first Galimo that does not answer (stopped): eight later starts, more than an old
# listening queue held, each end within about a second with a reason, changing nothing.
start_galimo "$work/medium"
kill -STOP "$pid"
trap 'kill -CONT "$pid" 2>/dev/null || true; [ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
for i in 1 2 3 4 5 6 7 8; do
  (cd "$work/medium" && { c=0; timeout 10 "$exe" 2>"$work/second$i.err" || c=$?; echo $c >"$work/second$i.code"; }) &
done
ended_all() { [ "$(cat "$work"/second?.code 2>/dev/null | wc -l)" -eq 8 ]; }
within 12 ended_all || fail "stopped first: a second start has not ended"
[ "$(sort -u "$work"/second?.code)" = 1 ] || fail "stopped first: exit codes $(cat "$work"/second?.code)"
[ "$(grep -l "ne répond pas" "$work"/second?.err | wc -l)" -eq 8 ] || fail "stopped first: $(cat "$work"/second?.err)"
[ "$(guards | wc -l)" -eq 1 ] && is_size 800x600 || fail "stopped first: a second start switched or left a guard"
kill -CONT "$pid"
quit_galimo
wait_no_guard "stopped first"
echo "ok: starts against a first that does not answer end with a reason and change nothing"

# The guard with its output unplugged (an id the server no longer knows) or showing nothing.
# Status 3: the screen, still 800 x 600, is back on the output now carrying it; 4: nothing
# to put back, nothing changed.
out=$(xrandr --verbose | awk '/^screen /{f=1} f && /Identifier:/ {print $2; exit}')
mode=$(xrandr --verbose | awk '$1 == "1024x768_75" {gsub(/[()]/, "", $2); print $2; exit}')
guard_ends() {  # STATUS OUTPUT: the guard, its program ended, with the start mode on OUTPUT
  code=0
  "$guard" 1024 768 $(($2)) $((mode)) 800 600 </dev/null || code=$?
  [ "$code" -eq "$1" ] || fail "guard of output $2: status $code, not $1; $(xrandr | grep '\*')"
}
lit() { xrandr | grep -q '^screen connected [0-9]'; }
xrandr --output screen --mode 800x600
guard_ends 3 0x7ffffff0
within 5 in_75 || fail "unplugged output: the screen is not back in the start mode"
xrandr --output screen --mode 1024x768
guard_ends 4 0x7ffffff0
xrandr | grep -q '^ *1024x768 .*\*' || fail "unplugged output: the guard changed another output"
xrandr --output screen --mode 800x600
xrandr --output screen --off 2>/dev/null || true
! lit || fail "the output cannot be turned off"
guard_ends 4 "$out"
! lit || fail "output showing nothing: the guard turned it on"
xrandr --output screen --mode 1024x768_75
echo "ok: the guard puts the start size back only on a screen that still has the program's size"
