#!/usr/bin/env bash
# Fails on an include that runs up the layers:
#   platform < picture < gif < print, about < browser < app
# A layer includes its own headers and those of the layers below it; print and about sit
# side by side and never include each other. The platform layer keeps its files in rooms by
# concern (core, files, drawing, widgets, display): a file outside them, or an include of a
# platform header by a path outside them, fails too.
# No two units (a header and its source, named alike) may include each other, even through
# others: the units' include graph has no circle.
# Usage: layering.sh SRC_DIR, or layering.sh --self-check (proves an upward include fails).
set -euo pipefail

rank() {
  case $1 in
    platform) echo 0 ;; picture) echo 1 ;; gif) echo 2 ;; print | about) echo 3 ;;
    browser) echo 4 ;; app) echo 5 ;; *) echo -1 ;;
  esac
}

# The platform layer's rooms: PATH, relative to src/platform, lies in one of them.
room() {
  case $1 in
    core/* | files/* | drawing/* | widgets/* | display/*) return 0 ;;
    *) return 1 ;;
  esac
}

check() {
  local src=$1 bad=0 file layer line target rl rt
  [ -d "$src" ] || { echo "no folder $src"; return 2; }
  while IFS= read -r -d '' file; do
    layer=${file#"$src"/}
    layer=${layer%%/*}
    rl=$(rank "$layer")
    [ "$rl" -ge 0 ] || { echo "$file: not in a known layer"; bad=1; continue; }
    if [ "$layer" = platform ] && ! room "${file#"$src"/platform/}"; then
      echo "$file: not in a room of the platform layer"
      bad=1
    fi
    while IFS= read -r line; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z]+)\/.*/\1/' <<<"$line")
      rt=$(rank "$target")
      if [ "$target" = platform ] && ! room "$(sed -E 's/^[^"]*"platform\/([^"]*)".*/\1/' <<<"$line")"; then
        echo "$file: a platform header outside its rooms: $line"
        bad=1
      fi
      [ "$rt" -ge 0 ] || continue  # a header of the folder itself, or a library's
      if [ "$target" != "$layer" ] && [ "$rt" -ge "$rl" ]; then
        echo "$file: $layer must not include $target: $line"
        bad=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$file" || true)
  done < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0)
  return $bad
}

# Fails on a circle among the units' includes; names the units that go round.
circles() {
  local src=$1 file unit target loop
  loop=$(
    while IFS= read -r -d '' file; do
      unit=${file#"$src"/}
      unit=${unit%.*}
      echo "$unit $unit"
      grep -hoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/[^"]+"' "$file" |
        sed -E 's/.*"([^"]+)"/\1/' | while IFS= read -r target; do
          [ -f "$src/$target" ] && [ "${target%.*}" != "$unit" ] && echo "$unit ${target%.*}"
        done
    done < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0) |
      tsort 2>&1 >/dev/null | sed -n 's/^tsort: //p' | grep -v 'input contains a loop' || true
  )
  [ -z "$loop" ] && return 0
  echo "units that include each other: $(sort -u <<<"$loop" | tr "\n" " ")"
  return 1
}

if [ "${1:-}" = --self-check ]; then
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' EXIT
  mkdir -p "$tree/platform" "$tree/print" "$tree/about" "$tree/app"
  mkdir -p "$tree/platform/core"
  printf '#include "platform/core/a.h"\n#include "print/b.h"\n' >"$tree/app/ok.cpp"
  check "$tree" >/dev/null || { echo "FAIL: a downward include was refused"; exit 1; }
  for row in 'platform/core #include "picture/x.h"' 'print #include "about/x.h"' \
             'about #  include "print/x.h"' 'picture #include "app/x.h"' 'print #include "platform/x.h"' \
             'platform #include "platform/core/x.h"'; do
    mkdir -p "$tree/${row%% *}"
    echo "${row#* }" >"$tree/${row%% *}/bad.cpp"
    if check "$tree" >/dev/null; then echo "FAIL: not caught: ${row%% *}: ${row#* }"; exit 1; fi
    rm "$tree/${row%% *}/bad.cpp"
    echo "ok: caught ${row%% *}: ${row#* }"
  done
  printf '#include "platform/core/b.h"\n' >"$tree/platform/core/a.h"
  printf '#include "platform/core/c.h"\n' >"$tree/platform/core/b.h"
  circles "$tree" >/dev/null || { echo "FAIL: a chain of includes was taken for a circle"; exit 1; }
  printf '#include "platform/core/a.h"\n' >"$tree/platform/core/c.cpp"
  touch "$tree/platform/core/c.h"
  if circles "$tree" >/dev/null; then echo "FAIL: not caught: a.h -> b.h -> c.h, c.cpp -> a.h"; exit 1; fi
  echo "ok: caught a.h -> b.h -> c.h, c.cpp -> a.h"
  exit 0
fi
src=${1:?usage: layering.sh SRC_DIR | --self-check}
status=0
check "$src" && echo "ok: every include runs down the layers" || status=1
circles "$src" && echo "ok: no circle among the units" || status=1
exit $status
