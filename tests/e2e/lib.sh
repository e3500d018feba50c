# Shared by the end-to-end scripts: Xvfb, the window, screenshots and pixels.
# Usage: source lib.sh "$@" at the top of a script whose first argument is the galimo binary.

if [ -z "${GALIMO_E2E_INNER:-}" ]; then
  export GALIMO_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 ${GALIMO_E2E_SCREEN:-800x600x24}" bash "$0" "$@"
fi
unset QT_QPA_PLATFORM

work=$(mktemp -d)
trap '[ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
shot() { import -window root "$work/shot.png"; }
# pixel IMAGE X Y -> RRGGBB (upper case)
pixel_of() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6 | tr a-f A-F; }
pixel() { pixel_of "$work/shot.png" "$1" "$2"; }
expect() {  # x y RRGGBB what: takes screenshots until the pixel shows, for up to 8 s
  local got want tries=40
  want=$(echo "$3" | tr a-f A-F)
  while :; do
    shot
    got=$(pixel "$1" "$2")
    [ "$got" = "$want" ] && break
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "$4: pixel ($1, $2) is $got, expected $want"
    sleep 0.2
  done
  echo "ok: $4"
}

# Starts galimo in the folder $1 and waits for its window.
start_galimo() {
  (cd "$1" && exec "$exe") & pid=$!
  for _ in $(seq 1 100); do
    xdotool search --name '^Galimo$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdotool search --name '^Galimo$' >/dev/null 2>&1 || fail "no Galimo window"
  sleep 1.5
}

click() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-0.8}"; }

# Clicks the door button and expects a normal exit.
quit_galimo() {
  click 24 20 0.1
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "still running after quitter"; fi
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "exit code $code"
  echo "ok: quitter ends the program with exit code 0"
}
