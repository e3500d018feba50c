#!/usr/bin/env bash
# The medium as a visitor's machine sees it: made by make-medium.sh from the build, mounted
# read-only, started from its root in a mount namespace where this machine's Qt, ICU,
# libjpeg and fonts are hidden. The window must list the demo albums and open the JPEG one,
# and the running program must have loaded no host library that the medium should carry.
# Needs root and mount namespaces: skipped (77) without them.
set -euo pipefail
exe=$1
if [ -z "${GALIMO_E2E_INNER:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare -m true 2>/dev/null; then
    echo "SKIP: needs root and mount namespaces (unshare -m) to hide this machine's libraries"
    exit 77
  fi
fi
source "$(dirname "$0")/lib.sh" "$@"
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)

bash "$src/scripts/make-medium.sh" "$(dirname "$(readlink -f "$exe")")" "$work/medium"
mkdir -p "$work/ro" "$work/home"
[ ! -e "$work/medium/galimo.ini" ] || fail "the demo medium is personalised already"
touch "$work/before"

# Inside the namespace: hide Qt (libraries, plugins, translations), ICU, libjpeg and every
# font folder and font cache, mount the medium read-only, start its launcher from elsewhere.
libdir=$(dirname "$(ldconfig -p | awk '/libc\.so\.6 .*x86-64/ { print $NF; exit }')")
inner=$(cat <<'EOF'
set -e
mount --make-rprivate /
for d in "$QT_PLUGINS" "$QT_TRANSLATIONS" /usr/share/qt6 /usr/share/fonts /usr/local/share/fonts \
         /var/cache/fontconfig; do
  [ -d "$d" ] && mount -t tmpfs -o ro hidden "$d"
done
for f in "$LIBDIR"/libQt6*.so.* "$LIBDIR"/libicu*.so.* "$LIBDIR"/libjpeg.so.*; do
  [ -f "$f" ] && [ ! -L "$f" ] && mount --bind /dev/null "$f"
done
mount --bind "$MEDIUM" "$RO"
mount -o remount,bind,ro "$RO"
cd /
exec "$RO/galimo"
EOF
)
QT_PLUGINS=$(qtpaths6 --query QT_INSTALL_PLUGINS) QT_TRANSLATIONS=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS) \
  LIBDIR=$libdir MEDIUM=$work/medium RO=$work/ro HOME=$work/home XDG_CACHE_HOME=$work/home/.cache \
  unshare -m bash -c "$inner" & pid=$!

shown_or_ended() { window_shown '^Galimo$' || ended "$pid"; }
within 10 shown_or_ended || fail "no Galimo window"
running "$pid" || fail "the program ended at start"
[ "$(readlink "/proc/$pid/exe")" = "$work/ro/_galimo/galimo" ] ||
  fail "pid $pid runs $(readlink "/proc/$pid/exe"), not the medium's program"
# Started from /, it runs in the medium (in its first album by now).
case $(readlink "/proc/$pid/cwd") in
  "$work/ro" | "$work/ro"/*) ;;
  *) fail "current folder $(readlink "/proc/$pid/cwd"), not in the medium" ;;
esac
awk -v m="$work/ro" '$5 == m && $6 ~ /^ro(,|$)/ { found = 1 } END { exit !found }' "/proc/$pid/mountinfo" ||
  fail "the medium is not mounted read-only"

# Every library the program has loaded is the medium's, or the host's by the list, or one
# that a host library of the list needs itself.
mapfile -t patterns < <(grep -v '^[[:space:]]*\(#\|$\)' "$src/scripts/host-libraries")
listed() {
  local p
  for p in "${patterns[@]}"; do
    if [ "${p#!}" != "$p" ]; then [[ $1 == ${p#!} ]] && return 1; else [[ $1 == $p ]] && return 0; fi
  done
  return 1
}
mapfile -t loaded < <(awk '$6 ~ /\.so/ { print $6 }' "/proc/$pid/maps" | sort -u)
declare -A allowed=()
host=()
for path in "${loaded[@]}"; do
  case $path in
    "$work"/ro/_galimo/*) continue ;;
    */gconv/*) continue ;;  # the C library's own character sets
  esac
  host+=("$path")
  soname=$(patchelf --print-soname "$path" 2>/dev/null || basename "$path")
  if listed "$soname"; then
    allowed[$soname]=1
    for needed in $(patchelf --print-needed "$path"); do allowed[$needed]=1; done
  fi
done
# Two rounds: what the needs of the listed ones need.
for path in "${host[@]}"; do
  soname=$(patchelf --print-soname "$path" 2>/dev/null || basename "$path")
  [ -n "${allowed[$soname]:-}" ] && for needed in $(patchelf --print-needed "$path"); do allowed[$needed]=1; done
done
bad=()
for path in "${host[@]}"; do
  soname=$(patchelf --print-soname "$path" 2>/dev/null || basename "$path")
  [ -n "${allowed[$soname]:-}" ] || bad+=("$path")
done
[ ${#bad[@]} -eq 0 ] || fail "host libraries the medium should carry: ${bad[*]}"
grep -q "$work/ro/_galimo/lib/libQt6Widgets.so.6" "/proc/$pid/maps" || fail "the medium's Qt is not the one loaded"
echo "ok: ${#loaded[@]} libraries loaded, ${#host[@]} of them the host's, each one it must provide"

# The album list: one line of text per demo album, in the order the medium lists them, the
# first selected (rows of 13 pixels from y 41 in the list at the window's left).
albums=()
while IFS= read -r name; do
  [ -d "$work/medium/$name" ] && [ "${name#[._]}" = "$name" ] && albums+=("$name")
done < <(ls -f "$work/medium")  # the folder under the read-only mount, which only the program sees
[ ${#albums[@]} -eq 5 ] || fail "the demo medium has ${#albums[@]} albums, not 5"
expect 70 47 308CC6 "the first album is selected"
row_dark() { convert "$work/shot.png" -crop "140x13+2+$((41 + 13 * $1))" +repage -format '%[fx:minima.intensity < 0.3]' info:; }
for i in 1 2 3 4; do [ "$(row_dark "$i")" = 1 ] || fail "no album name on row $i"; done
[ "$(row_dark 5)" = 0 ] || fail "a sixth row in the album list"
echo "ok: the ${#albums[@]} demo albums are listed"

# The JPEG album: its first picture in the photo view, its colour at the view's centre as in
# the file (both averaged over a small square, within what scaling moves).
jpeg_row=-1
for i in "${!albums[@]}"; do [ "${albums[$i]}" = Paysages ] && jpeg_row=$i; done
[ "$jpeg_row" -ge 0 ] || fail "no Paysages album"
first=$(find "$work/medium/Paysages" -maxdepth 1 -iname '*.jpg' | LC_ALL=C sort -f | head -1)
want=$(convert "$first" -gravity center -crop 24x24+0+0 +repage -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
click 70 $((47 + 13 * jpeg_row))
close_to() {  # "r g b" "r g b" -> true when every channel is within 20
  local a b
  read -r -a a <<<"$1"
  read -r -a b <<<"$2"
  for c in 0 1 2; do (( ${a[c]} - ${b[c]} <= 20 && ${b[c]} - ${a[c]} <= 20 )) || return 1; done
}
got=""
centre_shows() {
  shot
  got=$(convert "$work/shot.png" -crop 16x16+465+291 +repage -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
  close_to "$got" "$want"
}
within 8 centre_shows || fail "the JPEG album's first picture: centre $got, expected about $want"
grep -q "$work/ro/_galimo/lib/libjpeg.so.62" "/proc/$pid/maps" || fail "the JPEG picture was not read by the medium's libjpeg"
echo "ok: the JPEG album opens, its first photo drawn ($(basename "$first"), centre $got)"

# Personalising a read-only medium: the dialog's VALIDER is refused with an error message
# box (a second window captioned "Galimo", "Accès au fichier refusé." as the read-only
# folder test of the about layer reads it), the dialog is left open, and nothing is written
# anywhere on the medium.
galimo_windows() { xdotool search --onlyvisible --name '^Galimo$' 2>/dev/null | wc -l; }
shot_shows() { shot && has_colour "$@"; }
box_shown() { [ "$(galimo_windows)" -ge 2 ]; }
box_gone() { [ "$(galimo_windows)" -lt 2 ]; }
click 120 20  # "?"
# The green "Cliquez pour personnaliser" over the box's lines.
within 8 shot_shows 299 279 201 25 008000 || fail "the about box does not offer to personalise"
click 400 291
within 10 window_focused '^Personnalisation de Galimo$' || fail "no personalisation dialog taking the keys"
xdotool type --delay 20 "Bienvenue"
click 328 366  # VALIDER
within 5 box_shown || fail "no message box refusing the write"
within 8 shot_shows 262 212 276 176 FF0000 || fail "the message box shows no error icon"  # over the dialog
xdotool search --onlyvisible --name '^Personnalisation de Galimo$' >/dev/null 2>&1 || fail "the dialog closed"
written=$(find "$work/medium" -newer "$work/before" | head -5)
[ -z "$written" ] || fail "written on the medium: $written"
echo "ok: personalising the read-only medium is refused, nothing written"
xdotool key Return  # OK
within 5 box_gone || true  # then the program is ended all the same
kill "$pid"
wait "$pid" || true

# On a Wayland desktop the launcher starts the medium's own Wayland platform, and the window
# owns the compositor's screen (weston, nested in this X server, of the same 800 x 600).
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=x11-backend.so --width=800 --height=600 --socket=galimo-medium --use-pixman --idle-time=0 \
  >"$work/weston.log" 2>&1 & weston=$!
trap 'kill $weston 2>/dev/null; [ -n "${GALIMO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
within 15 test -S "$XDG_RUNTIME_DIR/galimo-medium" || fail "weston does not start: $(tail -3 "$work/weston.log")"
QT_PLUGINS=$(qtpaths6 --query QT_INSTALL_PLUGINS) QT_TRANSLATIONS=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS) \
  LIBDIR=$libdir MEDIUM=$work/medium RO=$work/ro HOME=$work/home XDG_CACHE_HOME=$work/home/.cache \
  WAYLAND_DISPLAY=galimo-medium XDG_SESSION_TYPE=wayland env -u DISPLAY unshare -m bash -c "$inner" & pid=$!
on_wayland() { grep -q "$work/ro/_galimo/plugins/platforms/libqwayland" "/proc/$pid/maps"; }
within 10 on_wayland || fail "the medium's Wayland platform is not the one loaded"
expect 10 590 c0c0c0 "Wayland: the medium's window drawn over the whole screen"
kill "$pid"
wait "$pid" || true
echo "ok: on Wayland the medium runs on its own Wayland platform"
