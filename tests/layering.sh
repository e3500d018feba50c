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

# Every source file of SRC (in a layer's folder), one a line, relative to SRC.
files() {
  (cd "$1" && find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) | sed 's|^\./||')
}

# "FILE TARGET" for each include of a header by a layer's path ("gif/gifimage.h").
includes() {
  (cd "$1" && files . | xargs -r grep -HoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/[^"]*"' |
    sed -E 's/^([^:]*):.*"([^"]*)"$/\1 \2/')
}

check() {
  local src=$1
  [ -d "$src" ] || { echo "no folder $src"; return 2; }
  { files "$src" | sed 's/^/F /'; includes "$src" | sed 's/^/I /'; } | awk '
    function rank(l) {
      if (l == "platform") return 0; if (l == "picture") return 1; if (l == "gif") return 2
      if (l == "print" || l == "about") return 3; if (l == "browser") return 4; if (l == "app") return 5
      return -1
    }
    # The platform layer'"'"'s rooms: PATH, relative to platform/, lies in one of them.
    function room(p) { return p ~ /^(core|files|drawing|widgets|display)\// }
    function layer(p) { sub(/\/.*/, "", p); return p }
    $1 == "F" {
      if (rank(layer($2)) < 0) { print $2 ": not in a known layer"; bad = 1 }
      else if (layer($2) == "platform" && !room(substr($2, 10))) { print $2 ": not in a room of the platform layer"; bad = 1 }
    }
    $1 == "I" {
      l = layer($2); t = layer($3)
      if (rank(l) < 0) next
      if (t == "platform" && !room(substr($3, 10))) { print $2 ": a platform header outside its rooms: " $3; bad = 1 }
      if (rank(t) >= 0 && t != l && rank(t) >= rank(l)) { print $2 ": " l " must not include " t ": " $3; bad = 1 }
    }
    END { exit bad }'
}

# Fails on a circle among the units' includes; names the units that go round.
circles() {
  local src=$1 loop
  loop=$(
    { files "$src" | sed 's/^/F /'; includes "$src" | sed 's/^/I /'; } | awk '
      function unit(p) { sub(/\.[^.\/]*$/, "", p); return p }
      $1 == "F" { known[$2] = 1; print unit($2), unit($2); next }
      { pairs[++n] = $2 " " $3 }
      END {
        for (i = 1; i <= n; i++) {
          split(pairs[i], f, " ")
          if ((f[2] in known) && unit(f[1]) != unit(f[2])) print unit(f[1]), unit(f[2])
        }
      }' | tsort 2>&1 >/dev/null | sed -n 's/^tsort: //p' | grep -v 'input contains a loop' || true
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
