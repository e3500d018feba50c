#!/usr/bin/env bash
# Starts Galimo on the demo medium (the program reads its albums from the folder it
# starts in). Without a display it runs under Xvfb and saves a screenshot instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
medium="$top/examples/medium"
shot="$top/build/screenshot.png"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cd "$medium" && exec "$exe"
fi

echo "No display: running Galimo under Xvfb for a screenshot."
mkdir -p "$(dirname "$shot")"
# Without a session the toolkit warns that it has no runtime folder: give it a private one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
xvfb-run -a -s "-noreset -screen 0 800x600x24" bash -c '
  (cd "$1" && exec "$2") & pid=$!
  for i in $(seq 1 100); do
    xdotool search --name "^Galimo$" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 2
  import -window root "$3"
  # Closed as a person closes it (Ctrl+Q), while its X server is still there.
  xdotool key ctrl+q 2>/dev/null || true
  for i in $(seq 1 50); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
' _ "$medium" "$exe" "$shot"
echo "Screenshot of the main window: $shot"
