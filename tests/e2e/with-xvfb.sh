#!/usr/bin/env bash
# with-xvfb.sh WxHxD COMMAND...: runs COMMAND with DISPLAY on an X server of its own, whose
# number the server picks itself, so that tests run side by side; the server goes after it.
# -noreset: by default the server resets when its last client leaves, and a program that
# connects during the reset (the second start of a script, on a busy machine) is refused.
size=$1
shift
number=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 "$size" 3>"$number" 2>/dev/null & xvfb=$!
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "FAIL: no X server"; kill $xvfb; exit 1; }
code=0
DISPLAY=":$(cat "$number")" "$@" || code=$?
kill $xvfb 2>/dev/null
wait $xvfb 2>/dev/null
rm -f "$number"
exit $code
