#!/bin/sh
# galimo-gifdump on a real animation and on a broken file: what it prints, what it
# writes with --frames, and its exit status.
set -u
TOOL=$1
DATA=$2        # the suites' wuffs data folder
REGRESSION=$3  # tests/data/gif/regressions
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$TOOL" "$DATA/muybridge.gif" --frames "$OUT" > "$OUT/dump.txt" || fail "muybridge.gif: exit status $?"
grep -q "^header: GIF89a, screen 30x20" "$OUT/dump.txt" || fail "no header line"
grep -q "^frames: 15$" "$OUT/dump.txt" || fail "frame count"
grep -q "^warnings: 0$" "$OUT/dump.txt" || fail "warnings"
for n in 000 007 014; do
  [ -s "$OUT/frame-$n.ppm" ] || fail "frame-$n.ppm missing"
  head -c 2 "$OUT/frame-$n.ppm" | grep -q P6 || fail "frame-$n.ppm is not a binary PPM"
  # The PGM is a 13-byte header then the index bytes, exactly those of the suite.
  tail -c 600 "$OUT/frame-$n.pgm" | cmp -s - "$DATA/muybridge-frame-$n.indexes" || fail "frame-$n.pgm indexes differ"
done

# One pass composed from white: 15 states, the first at once, each listed with its wait.
"$TOOL" "$DATA/muybridge.gif" --composed "$OUT/c" > "$OUT/composed.txt" || fail "--composed: exit status $?"
[ "$(grep -c '^composed composed-' "$OUT/composed.txt")" -eq 15 ] || fail "composed state count"
grep -q "^composed composed-000.ppm: frame 0, after 0 ms$" "$OUT/composed.txt" || fail "first state not at once"
head -c 15 "$OUT/c/composed-014.ppm" | grep -q "^P6" || fail "composed-014.ppm is not a binary PPM"

"$TOOL" "$REGRESSION/circular-two-step.gif" > "$OUT/bad.txt"
[ $? -eq 1 ] || fail "a failed load must exit with 1"
grep -q "^error: Circular decoder table entry$" "$OUT/bad.txt" || fail "error message"

"$TOOL" "$REGRESSION/min-code-size-12.gif" > "$OUT/warn.txt" || fail "warnings are not failures"
grep -q "1. Invalid LZW minimum code size" "$OUT/warn.txt" || fail "warning list"

"$TOOL" "$OUT/no-such-file.gif" > /dev/null 2>&1
[ $? -eq 2 ] || fail "a missing file must exit with 2"
echo "galimo-gifdump: all checks passed"
