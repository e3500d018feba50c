#!/usr/bin/env bash
# Draws the demo medium in examples/medium: a few albums of Windows bitmaps and GIF files,
# a "_private" and a ".cache" folder and a read-me at the root, none of which may show up
# as albums. Everything is drawn from shapes and gradients with ImageMagick, with no
# random input, so two runs write the same bytes.
#
# examples/medium/Paysages holds JPEG pictures made by their own script: left alone here.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/examples/medium"
FONT=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
command -v convert >/dev/null || { echo "make-demo-medium: needs imagemagick (scripts/install-deps.sh)" >&2; exit 1; }
[ -f "$FONT" ] || { echo "make-demo-medium: needs fonts-liberation2 (scripts/install-deps.sh)" >&2; exit 1; }

# Only the folders this script makes are replaced.
mkdir -p "$OUT"
for d in "Vacances 2026" "Famille" "Animaux" "Noël" "_private" ".cache"; do
  rm -rf "${OUT:?}/$d"
  mkdir -p "$OUT/$d"
done
rm -f "$OUT/LISEZMOI.txt"

# Same bytes on every run: no time stamps, no dithering noise.
IM=(convert -define png:exclude-chunks=date,time)

# caption WIDTH HEIGHT TEXT: sets CAP to the arguments that draw a caption band at the
# bottom of the picture, to come last in its drawing.
caption() {
  local w=$1 h=$2 text=$3 size=$(( $2 / 14 > 12 ? $2 / 14 : 12 ))
  CAP=( -font "$FONT" -pointsize "$size" -fill '#00000080'
        -draw "rectangle 0,$(( h - size * 3 / 2 - 4 )) $w,$h" -fill white -gravity south
        -annotate +0+4 "$text" -gravity northwest )
}

# write-bmp DEST DEPTH(24|8|8rle) CONVERT-ARGS...
write_bmp() {
  local dest=$1 depth=$2; shift 2
  case $depth in
    24)    "${IM[@]}" "$@" -type TrueColor "BMP3:$dest" ;;
    8)     "${IM[@]}" "$@" +dither -colors 256 -type Palette -compress None "BMP3:$dest" ;;
    8rle)  "${IM[@]}" "$@" +dither -colors 256 -type Palette -compress RLE "BMP3:$dest" ;;
    v5)    "${IM[@]}" "$@" -type TrueColor "BMP:$dest" ;;   # newer header, for variety
  esac
}

# ---------------------------------------------------------------- Vacances 2026
V="$OUT/Vacances 2026"

# A beach: sky, sea, sand, the sun. 640 x 480, 256 colours.
caption 640 480 "La plage"
write_bmp "$V/01 Plage.BMP" 8 -size 640x480 gradient:'#3a7bd5'-'#bfe3ff' \
  -fill '#ffd84a' -draw "circle 500,110 500,160" \
  -fill '#1d5f9e' -draw "rectangle 0,280 640,380" \
  -fill '#2f78b8' -draw "rectangle 0,300 640,330" \
  -fill '#e8cf95' -draw "polygon 0,380 640,350 640,480 0,480" \
  -fill '#c03030' -draw "polygon 120,360 180,300 240,360" -fill '#6b4b2a' -draw "rectangle 178,300 182,420" \
  "${CAP[@]}"

# A lighthouse on rocks, drawn at 480 x 640 and stored at 240 x 320, true colour.
caption 480 640 "Le phare"
write_bmp "$V/02 Phare.bmp" 24 -size 480x640 gradient:'#f7b267'-'#7fc8f8' \
  -fill '#2b4c7e' -draw "rectangle 0,500 480,640" \
  -fill '#555555' -draw "polygon 120,520 200,440 300,430 380,520" \
  -fill white -draw "polygon 205,440 275,440 262,160 218,160" \
  -fill '#d62828' -draw "polygon 212,380 268,380 266,330 214,330" \
  -fill '#d62828' -draw "polygon 216,280 264,280 263,230 217,230" \
  -fill '#333333' -draw "rectangle 210,130 270,160" -fill '#fff3a0' -draw "rectangle 220,135 260,158" \
  -fill '#d62828' -draw "polygon 205,130 240,95 275,130" \
  "${CAP[@]}" -resize 50%

# Bigger than the screen: hills under a sunset, 1000 x 700, run-length coded.
caption 1000 700 "Coucher de soleil"
write_bmp "$V/03 Coucher de soleil.BMP" 8rle -size 1000x700 xc:'#ff9a5a' \
  -fill '#ffb36b' -draw "rectangle 0,0 1000,120" -fill '#ff8c52' -draw "rectangle 0,240 1000,420" \
  -fill '#ffe066' -draw "circle 640,380 640,470" \
  -fill '#3d6b35' -draw "ellipse 250,700 450,260 180,360" \
  -fill '#2e5528' -draw "ellipse 800,720 420,300 180,360" \
  -fill '#24441f' -draw "ellipse 520,760 360,220 180,360" \
  "${CAP[@]}"

# A postcard-sized picture, smaller than its thumbnail: 200 x 150, true colour.
write_bmp "$V/04 Carte.bmp" 24 -size 200x150 gradient:'#fff8e7'-'#f0d9a8' \
  -stroke '#8a5a2b' -strokewidth 3 -fill none -draw "rectangle 4,4 195,145" -stroke none \
  -fill '#2a6f97' -font "$FONT" -pointsize 26 -gravity center -annotate +0-10 "Bons" \
  -annotate +0+20 "baisers" -gravity northwest

# An animated sun turning its rays, 8 frames, looping.
frames=()
for i in 0 1 2 3 4 5 6 7; do
  rays=""
  for k in 0 1 2 3 4 5 6 7; do
    a=$(( k * 45 + i * 6 ))
    rays+=$(awk -v a="$a" 'BEGIN { r = a * 3.14159265 / 180; printf "line %d,%d %d,%d ", 60 + 32 * cos(r), 60 + 32 * sin(r), 60 + 52 * cos(r), 60 + 52 * sin(r) }')
  done
  frames+=( "(" -size 120x120 xc:'#87ceeb' -stroke '#ffb000' -strokewidth 6 -draw "$rays" -stroke none
            -fill '#ffd000' -draw "circle 60,60 60,86" ")" )
done
"${IM[@]}" -delay 12 -loop 0 "${frames[@]}" +dither -colors 32 "GIF:$V/05 Soleil.GIF"

# A thing that is not a picture: never a thumbnail.
printf 'Notes de voyage\r\n' > "$V/notes.txt"

# ---------------------------------------------------------------- Famille
F="$OUT/Famille"

# A house with a garden, drawn at 640 x 480 and stored at 320 x 240, true colour.
caption 640 480 "La maison"
write_bmp "$F/Maison.BMP" 24 -size 640x480 gradient:'#9ad0ec'-'#e8f6ff' \
  -fill '#6aa84f' -draw "rectangle 0,360 640,480" \
  -fill '#f2e2c4' -draw "rectangle 200,220 440,380" \
  -fill '#a23b2a' -draw "polygon 180,220 320,120 460,220" \
  -fill '#6b4226' -draw "rectangle 295,300 345,380" \
  -fill '#bfe3ff' -stroke '#ffffff' -strokewidth 4 -draw "rectangle 225,250 275,290" -draw "rectangle 365,250 415,290" \
  -stroke none -fill '#e06666' -draw "circle 90,380 90,392" -draw "circle 540,390 540,402" \
  "${CAP[@]}" -resize 50%

# Four stick figures in a row, portrait 480 x 640, 256 colours.
people=""
for p in 0 1 2 3; do
  x=$(( 80 + p * 107 )); top=$(( 260 + (p % 2) * 60 )); head=$(( 22 - p * 2 ))
  people+="circle $x,$top $x,$(( top - head )) "
done
bodies=""
for p in 0 1 2 3; do
  x=$(( 80 + p * 107 )); top=$(( 260 + (p % 2) * 60 ))
  bodies+="line $x,$(( top + 20 )) $x,$(( top + 130 )) line $x,$(( top + 50 )) $(( x - 35 )),$(( top + 90 )) "
  bodies+="line $x,$(( top + 50 )) $(( x + 35 )),$(( top + 90 )) line $x,$(( top + 130 )) $(( x - 25 )),$(( top + 210 )) "
  bodies+="line $x,$(( top + 130 )) $(( x + 25 )),$(( top + 210 )) "
done
caption 480 640 "Tous ensemble"
write_bmp "$F/Portrait de famille.bmp" 8rle -size 480x640 gradient:'#fff1d6'-'#ffd9a0' \
  -fill '#8fbf6a' -draw "rectangle 0,520 480,640" \
  -fill '#f5c9a0' -stroke '#5a3a1a' -strokewidth 3 -draw "$people" -fill none -strokewidth 6 -draw "$bodies" -stroke none \
  "${CAP[@]}"

# A birthday cake, 320 x 240 true colour (newer bitmap header).
write_bmp "$F/Anniversaire.BMP" v5 -size 320x240 xc:'#fde2e4' \
  -fill '#8d5524' -draw "rectangle 80,140 240,200" -fill '#ffffff' -draw "rectangle 80,130 240,145" \
  -fill '#e63946' -draw "rectangle 100,100 106,130" -draw "rectangle 157,100 163,130" -draw "rectangle 214,100 220,130" \
  -fill '#ffb703' -draw "ellipse 103,92 4,8 0,360" -draw "ellipse 160,92 4,8 0,360" -draw "ellipse 217,92 4,8 0,360" \
  -fill '#e63946' -font "$FONT" -pointsize 22 -gravity north -annotate +0+20 "Joyeux anniversaire" -gravity northwest

# A small picture of a garden flower, 200 x 150, 256 colours.
write_bmp "$F/Fleur.bmp" 8 -size 200x150 gradient:'#d8f3dc'-'#95d5b2' \
  -fill '#2d6a4f' -draw "rectangle 98,75 102,150" \
  -fill '#ff70a6' -draw "circle 100,45 100,60" -draw "circle 75,60 75,75" -draw "circle 125,60 125,75" \
  -draw "circle 85,85 85,100" -draw "circle 115,85 115,100" -fill '#ffd60a' -draw "circle 100,68 100,80"

# A single-frame GIF, interlaced.
"${IM[@]}" -size 160x120 gradient:'#ffffff'-'#cfe8ff' -fill '#1d3557' -font "$FONT" -pointsize 20 \
  -gravity center -annotate +0-12 "Bienvenue" -annotate +0+14 "chez nous" \
  +dither -colors 16 -interlace GIF "GIF:$F/Bienvenue.GIF"

# ---------------------------------------------------------------- Animaux
A="$OUT/Animaux"

# A cat face, 640 x 480, 256 colours.
caption 640 480 "Le chat"
write_bmp "$A/Chat.BMP" 8 -size 640x480 gradient:'#e9d8a6'-'#ca9c5a' \
  -fill '#f28c28' -draw "polygon 200,170 230,60 290,140" -draw "polygon 440,170 410,60 350,140" \
  -draw "ellipse 320,250 150,130 0,360" \
  -fill '#2a9d8f' -draw "ellipse 265,220 22,30 0,360" -draw "ellipse 375,220 22,30 0,360" \
  -fill black -draw "ellipse 265,220 6,24 0,360" -draw "ellipse 375,220 6,24 0,360" \
  -fill '#e76f51' -draw "polygon 305,275 335,275 320,292" \
  -stroke black -strokewidth 3 -draw "line 300,300 200,285 line 300,308 200,320 line 340,300 440,285 line 340,308 440,320" \
  -stroke none "${CAP[@]}"

# A giraffe, portrait 480 x 640, 256 colours.
spots=""
for s in "230,330" "260,390" "225,450" "250,250" "270,190" "300,480" "340,520" "370,470"; do
  spots+="circle $s ${s%,*},$(( ${s#*,} + 14 )) "
done
caption 480 640 "La girafe"
write_bmp "$A/Girafe.bmp" 8 -size 480x640 gradient:'#a8dadc'-'#f1faee' \
  -fill '#e9c46a' -draw "rectangle 0,580 480,640" \
  -fill '#f4a261' -draw "polygon 220,560 240,150 290,150 300,420 420,430 420,520 380,560" \
  -draw "ellipse 270,140 45,25 0,360" \
  -fill '#f4a261' -draw "rectangle 240,520 255,600 rectangle 280,520 295,600 rectangle 370,520 385,600 rectangle 400,520 415,600" \
  -fill '#8b4513' -draw "$spots" -fill black -draw "circle 280,132 280,138" \
  "${CAP[@]}"

# Fish in an aquarium, larger than the screen: 900 x 660, true colour; the biggest file here.
fish=""
for f in "200,200,60" "520,330,80" "700,180,50" "330,480,70"; do
  IFS=, read -r fx fy fr <<< "$f"
  fish+="ellipse $fx,$fy $fr,$(( fr / 2 )) 0,360 polygon $(( fx + fr - 10 )),$fy $(( fx + fr + 40 )),$(( fy - 30 )) $(( fx + fr + 40 )),$(( fy + 30 )) "
done
caption 900 660 "Aquarium"
write_bmp "$A/Aquarium.BMP" 8rle -size 900x660 xc:'#0a6fa8' \
  -fill '#0b7fc0' -draw "rectangle 0,0 900,200" -fill '#095f91' -draw "rectangle 0,450 900,600" \
  -fill '#e0c080' -draw "rectangle 0,600 900,660" \
  -fill '#2a9d3f' -draw "polygon 80,600 100,400 120,600" -draw "polygon 760,600 790,380 820,600" \
  -fill '#ff9f1c' -draw "$fish" \
  -fill '#cde8f6' -draw "circle 150,100 150,108 circle 170,60 170,66 circle 620,90 620,100" \
  "${CAP[@]}"

# A little bird, 200 x 150, true colour.
write_bmp "$A/oiseau.bmp" 24 -size 200x150 gradient:'#caf0f8'-'#ffffff' \
  -fill '#6b4226' -draw "rectangle 0,120 200,126" \
  -fill '#1d70a2' -draw "ellipse 100,95 38,26 0,360" -draw "circle 130,72 130,90" \
  -fill '#ffb703' -draw "polygon 146,70 166,76 146,82" -fill white -draw "circle 134,68 134,73" \
  -fill black -draw "circle 135,68 135,70"

# A walking dog, animated: 6 frames, the legs swing; the background is transparent and each
# frame is drawn over the previous one cleared.
frames=()
for i in 0 1 2 3 4 5; do
  swing=$(( (i % 3 - 1) * 10 ))
  x=$(( 20 + i * 8 ))
  frames+=( "(" -size 160x100 xc:none -fill '#8d5524'
            -draw "ellipse $(( x + 60 )),50 40,18 0,360 circle $(( x + 105 )),38 $(( x + 105 )),54"
            -draw "polygon $(( x + 110 )),26 $(( x + 122 )),14 $(( x + 118 )),34"
            -stroke '#8d5524' -strokewidth 6
            -draw "line $(( x + 35 )),60 $(( x + 35 + swing )),90 line $(( x + 85 )),60 $(( x + 85 - swing )),90"
            -draw "line $(( x + 22 )),45 $(( x + 8 )),30" -stroke none
            -fill black -draw "circle $(( x + 110 )),35 $(( x + 110 )),37" ")" )
done
"${IM[@]}" -dispose background -delay 15 -loop 0 "${frames[@]}" +dither -colors 16 "GIF:$A/Chien.GIF"

# ---------------------------------------------------------------- Noël (a name outside ASCII)
N="$OUT/Noël"
caption 480 640 "Joyeux Noël"
write_bmp "$N/Sapin.BMP" 8rle -size 480x640 gradient:'#0b1d3a'-'#23395b' \
  -fill white -draw "circle 60,80 60,83 circle 400,60 400,64 circle 300,140 300,142 circle 120,200 120,203" \
  -fill '#1b7f3a' -draw "polygon 240,120 120,300 360,300" -draw "polygon 240,220 90,430 390,430" \
  -draw "polygon 240,330 60,560 420,560" -fill '#6b4226' -draw "rectangle 220,560 260,610" \
  -fill '#ffd60a' -draw "polygon 240,90 250,115 276,115 255,130 263,156 240,140 217,156 225,130 204,115 230,115" \
  -fill '#e63946' -draw "circle 180,280 180,290 circle 300,380 300,390 circle 170,500 170,510 circle 330,520 330,530" \
  "${CAP[@]}"
"${IM[@]}" -size 200x150 xc:'#b7094c' -fill '#ffd60a' -draw "rectangle 92,0 108,150 rectangle 0,67 200,83" \
  -fill none -stroke '#ffd60a' -strokewidth 8 -draw "ellipse 80,60 22,14 0,360 ellipse 120,60 22,14 0,360" \
  -type TrueColor "BMP3:$N/cadeau.bmp"

# ---------------------------------------------------------------- not albums
# Private pictures of the medium's owner: the folder is never listed.
"${IM[@]}" -size 120x90 xc:'#444444' -fill white -font "$FONT" -pointsize 22 -gravity center \
  -annotate +0+0 "PRIVÉ" -type TrueColor "BMP3:$OUT/_private/Secret.BMP"
# A cache a file manager could leave behind.
"${IM[@]}" -size 64x48 xc:'#888888' -type TrueColor "BMP3:$OUT/.cache/vignette.BMP"
# A file at the root: never an album.
printf '%s\r\n' "Galimo - album photo de démonstration." \
  "Chaque dossier est un album ; lancez Galimo depuis ce dossier." > "$OUT/LISEZMOI.txt"

du -sh --exclude=Paysages "$OUT" | sed 's/^/make-demo-medium: /'
