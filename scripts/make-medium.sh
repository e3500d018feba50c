#!/usr/bin/env bash
# Lays out a ready medium: make-medium.sh BUILD_DIR DEST [ALBUMS]
#   DEST/<albums>          copied from ALBUMS (the demo medium by default)
#   DEST/galimo            the launcher: starts the program with the medium's root as its folder
#   DEST/autorun.sh        what desktops that honour it offer to run when the medium comes in
#   DEST/_galimo/          the program, its libraries, Qt's plugins, translations and fonts
# The program is taken as built in BUILD_DIR; nothing is rebuilt.
#
# The program carries everything a desktop may lack, found through an $ORIGIN run path and a
# qt.conf; it takes from the host only the libraries scripts/host-libraries names.
set -euo pipefail

build=${1:?usage: make-medium.sh BUILD_DIR DEST [ALBUMS]}
dest=${2:?usage: make-medium.sh BUILD_DIR DEST [ALBUMS]}
root=$(cd "$(dirname "$0")/.." && pwd)
albums=${3:-$root/examples/medium}

for exe in galimo galimo-guard; do
  [ -x "$build/$exe" ] || { echo "make-medium: no $build/$exe: build first (make build)" >&2; exit 1; }
done
[ -d "$albums" ] || { echo "make-medium: no album folder $albums" >&2; exit 1; }
if [ -e "$dest" ] && [ "$(readlink -f "$dest")" = "$(readlink -f "$albums")" ]; then
  echo "make-medium: DEST is the album folder itself" >&2; exit 1
fi
for tool in patchelf qtpaths6 fc-list; do
  command -v "$tool" >/dev/null || { echo "make-medium: $tool is missing (make deps)" >&2; exit 1; }
done

# Sonames the host provides (scripts/host-libraries). Everything else goes on the medium.
mapfile -t host_patterns < <(grep -v '^[[:space:]]*\(#\|$\)' "$root/scripts/host-libraries")
host_soname() {
  local p
  for p in "${host_patterns[@]}"; do
    if [ "${p#!}" != "$p" ]; then
      # shellcheck disable=SC2053
      [[ $1 == ${p#!} ]] && return 1
    else
      # shellcheck disable=SC2053
      [[ $1 == $p ]] && return 0
    fi
  done
  return 1
}

qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS)
qt_translations=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS)
# The platforms (X11 and Wayland) with what they load, printing through CUPS, the icon and
# GIF readers of Qt's own (the window icon), the compose key.
plugin_dirs=(platforms xcbglintegrations wayland-decoration-client printsupport platforminputcontexts)
plugin_files=(imageformats/libqico.so imageformats/libqgif.so wayland-shell-integration/libxdg-shell.so
              wayland-shell-integration/libwl-shell-plugin.so
              wayland-graphics-integration-client/libqt-plugin-wayland-egl.so)
skip_plugin() {  # test-only and framebuffer platforms, input methods of other desktops
  case $1 in
    */libqoffscreen.so | */libqminimal*.so | */libqlinuxfb.so | */libqvnc.so | */libqvkkhrdisplay.so | \
      */libqeglfs.so | */libibusplatforminputcontextplugin.so) return 0 ;;
  esac
  return 1
}

stage=$(mktemp -d "${TMPDIR:-/tmp}/galimo-medium.XXXXXX")
trap 'rm -rf "$stage"' EXIT
prog=$stage/_galimo
mkdir -p "$prog/lib" "$prog/plugins" "$prog/translations" "$prog/fonts"

install -m 755 "$build/galimo" "$build/galimo-guard" "$prog/"
for d in "${plugin_dirs[@]}"; do
  [ -d "$qt_plugins/$d" ] || continue
  mkdir -p "$prog/plugins/$d"
  for f in "$qt_plugins/$d"/*.so; do
    skip_plugin "$f" || install -m 644 "$f" "$prog/plugins/$d/"
  done
done
for f in "${plugin_files[@]}"; do
  mkdir -p "$prog/plugins/$(dirname "$f")"
  install -m 644 "$qt_plugins/$f" "$prog/plugins/$f"
done

# The libraries: the closure of what the program and its plugins name, stopping at the
# host's (their own needs are the host's business). ldd says where the loader finds each.
declare -A seen=() carried=()
queue=("$prog/galimo" "$prog/galimo-guard")
while IFS= read -r -d '' f; do queue+=("$f"); done < <(find "$prog/plugins" -name '*.so' -print0)
while [ ${#queue[@]} -gt 0 ]; do
  obj=${queue[0]}
  queue=("${queue[@]:1}")
  declare -A where=()
  while read -r soname path; do where[$soname]=$path; done \
    < <(ldd "$obj" | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }')
  for soname in $(patchelf --print-needed "$obj"); do
    [ -z "${seen[$soname]:-}" ] || continue
    seen[$soname]=1
    host_soname "$soname" && continue
    path=${where[$soname]:-}
    [ -f "$path" ] || { echo "make-medium: $soname (needed by $obj) not found" >&2; exit 1; }
    install -m 644 "$(readlink -f "$path")" "$prog/lib/$soname"
    carried[$soname]=1
    queue+=("$prog/lib/$soname")
  done
  unset where
done

# Run paths: the program and the guard look in lib/, a library beside itself, a plugin two
# folders up. Our own binaries lose their debugging information on the way.
strip --strip-debug "$prog/galimo" "$prog/galimo-guard"
patchelf --set-rpath '$ORIGIN/lib' "$prog/galimo"
patchelf --set-rpath '$ORIGIN/lib' "$prog/galimo-guard"
for soname in "${!carried[@]}"; do patchelf --set-rpath '$ORIGIN' "$prog/lib/$soname"; done
while IFS= read -r -d '' f; do patchelf --set-rpath '$ORIGIN/../../lib' "$f"; done \
  < <(find "$prog/plugins" -name '*.so' -print0)

cat >"$prog/qt.conf" <<'EOF'
[Paths]
Prefix = .
Plugins = plugins
Translations = translations
EOF
install -m 644 "$qt_translations/qtbase_fr.qm" "$prog/translations/"
fonts=$(fc-list 'Liberation Sans' file; fc-list 'Liberation Serif' file)
[ -n "$fonts" ] || { echo "make-medium: the Liberation fonts are missing (make deps)" >&2; exit 1; }
echo "$fonts" | sed 's/: *$//' | sort -u | while read -r f; do install -m 644 "$f" "$prog/fonts/"; done

cat >"$stage/galimo" <<'EOF'
#!/bin/sh
# Starts Galimo with this medium's root as its current folder, from wherever it is called.
root=$(dirname "$(readlink -f "$0")")
cd "$root" || exit 1
# Plugins of another Qt on the desktop must not be mixed with the medium's own.
unset QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH
# A Wayland session gets the medium's Wayland platform (X11 through XWayland if that fails);
# elsewhere X11. A platform the desktop names is kept.
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if [ -n "${WAYLAND_DISPLAY:-}" ] || [ "${XDG_SESSION_TYPE:-}" = wayland ]; then
    export QT_QPA_PLATFORM="wayland;xcb"
  else
    export QT_QPA_PLATFORM=xcb
  fi
fi
exec "$root/_galimo/galimo"
EOF
cat >"$stage/autorun.sh" <<'EOF'
#!/bin/sh
# Offered by the desktop when the medium is inserted: starts Galimo.
exec "$(dirname "$(readlink -f "$0")")/galimo"
EOF
chmod 755 "$stage/galimo" "$stage/autorun.sh"

# Albums last, then everything into place: a DEST that exists is filled, never emptied.
mkdir -p "$dest"
cp -a "$albums"/. "$dest"/
rm -rf "$dest/_galimo"
cp -a "$stage"/. "$dest"/

size=$(du -sm "$dest/_galimo" | cut -f1)
# The newest symbol versions asked of the host's C library and C++ run-time.
newest() {
  objdump -T "$dest/_galimo/galimo" "$dest/_galimo/galimo-guard" "$dest/_galimo/lib"/* \
    "$dest/_galimo/plugins"/*/*.so 2>/dev/null | grep -o "$1[0-9.]*" | sort -uV | tail -1
}
echo "make-medium: $dest ready: _galimo/ is $size MB, ${#carried[@]} libraries carried;" \
     "the host needs $(newest GLIBC_) and $(newest GLIBCXX_) or newer"
