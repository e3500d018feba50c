#!/usr/bin/env bash
# Draws the two button glyphs and the application icon into resources/:
#   quitter.bmp   32 x 32, 8 bits per pixel, 256-entry palette: an open door
#   imprimer.bmp  34 x 34, 24 bits per pixel: a printer with a printed sheet
#   galimo.ico    32 x 32, 16 colours: a photo album with a picture on its cover
# The glyphs are drawn on the button-face grey (240, 240, 240), which also fills their
# bottom-left pixel: they look right placed as they are on a button, and a button that
# takes the bottom-left pixel as its transparent colour finds that grey there too.
# The files are written byte by byte (no image library), so two runs give the same bytes.
# With --preview DIR, also writes PNG copies enlarged 8 times (needs imagemagick).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PREVIEW="${2:-}"
[ "${1:-}" = "--preview" ] || PREVIEW=""

python3 - "$ROOT/resources" <<'PY'
import struct
import sys

OUT = sys.argv[1]
FACE = (240, 240, 240)


class Canvas:
    def __init__(self, w, h, background):
        self.w, self.h = w, h
        self.px = [[background] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):  # corners included
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, pts, c, outline=None):
        # A pixel is inside when its centre is (even-odd rule).
        n = len(pts)
        for y in range(self.h):
            cy = y + 0.5
            for x in range(self.w):
                cx = x + 0.5
                inside = False
                for i in range(n):
                    (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
                    if (ay > cy) != (by > cy) and cx < ax + (cy - ay) * (bx - ax) / (by - ay):
                        inside = not inside
                if inside:
                    self.set(x, y, c)
        if outline:
            for i in range(n):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
                self.line(int(ax), int(ay), int(bx), int(by), outline)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        for y in range(y0, y1 + 1):
            t = (y - y0) / max(1, y1 - y0)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            self.hline(x0, x1, y, c)

    def colours(self):
        seen = []
        for row in self.px:
            for c in row:
                if c not in seen:
                    seen.append(c)
        return seen


def bmp_headers(w, h, bpp, image_size, palette_entries):
    offset = 14 + 40 + 4 * palette_entries
    file_header = b"BM" + struct.pack("<IHHI", offset + image_size, 0, 0, offset)
    # 2835 pixels per metre = 72 dpi; rows bottom-up.
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_size, 2835, 2835, palette_entries, 0)
    return file_header + info


def write_bmp24(path, cv):
    stride = (cv.w * 3 + 3) & ~3
    rows = b""
    for y in range(cv.h - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for (r, g, b) in cv.px[y])
        rows += row + b"\0" * (stride - len(row))
    with open(path, "wb") as f:
        f.write(bmp_headers(cv.w, cv.h, 24, len(rows), 0) + rows)


def standard_256():
    # The usual system palette of a 256-colour display: a 6 x 6 x 6 colour cube and a
    # grey ramp, after the glyph's own colours.
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in range(0, 256, 6)]
    return cube + greys


def write_bmp8(path, cv):
    used = cv.colours()
    assert len(used) <= 256
    palette = list(used)
    for c in standard_256():
        if len(palette) == 256:
            break
        if c not in palette:
            palette.append(c)
    while len(palette) < 256:
        palette.append((0, 0, 0))
    index = {c: i for i, c in enumerate(palette)}
    stride = (cv.w + 3) & ~3
    rows = b""
    for y in range(cv.h - 1, -1, -1):
        row = bytes(index[c] for c in cv.px[y])
        rows += row + b"\0" * (stride - len(row))
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    with open(path, "wb") as f:
        f.write(bmp_headers(cv.w, cv.h, 8, len(rows), 256) + pal + rows)


def write_ico16(path, cv, transparent):
    # One 32 x 32 image of 4 bits per pixel: the colour bitmap and the 1-bit mask that
    # makes the pixels of the transparent colour show the desktop.
    palette = [c for c in cv.colours() if c != transparent]
    assert len(palette) <= 16, len(palette)
    palette = [(0, 0, 0)] + [c for c in palette if c != (0, 0, 0)]
    while len(palette) < 16:
        palette.append((0, 0, 0))
    index = {c: i for i, c in enumerate(palette)}
    w, h = cv.w, cv.h
    xor = b""
    mask = b""
    for y in range(h - 1, -1, -1):
        nibbles = [0 if c == transparent else index[c] for c in cv.px[y]]
        xor += bytes((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, w, 2))
        bits = 0
        for c in cv.px[y]:
            bits = (bits << 1) | (1 if c == transparent else 0)
        mask += bits.to_bytes(w // 8, "big")  # 32 bits: already a multiple of 4 bytes
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    image = info + pal + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)


# ---------------------------------------------------------------------- the door
def door():
    cv = Canvas(32, 32, FACE)
    frame_dark = (90, 56, 24)
    frame = (140, 90, 40)
    light = (255, 236, 140)
    light_far = (255, 214, 90)
    leaf = (178, 112, 52)
    leaf_dark = (120, 72, 30)
    leaf_edge = (70, 40, 14)
    knob = (250, 200, 40)
    floor = (110, 110, 110)
    # The frame in the wall, and the light of the outside through the opening.
    cv.rect(4, 2, 19, 29, frame_dark)
    cv.rect(5, 3, 18, 29, frame)
    cv.vgradient(7, 5, 16, 29, light, light_far)
    # The floor line and the light spilling onto it.
    cv.hline(1, 30, 30, floor)
    cv.polygon([(7, 30), (17, 30), (13, 32), (2, 32)], light_far)
    # The leaf, hinged on the right of the opening and swung towards us.
    cv.polygon([(17, 5), (27, 1), (27, 31), (17, 29)], leaf, outline=leaf_edge)
    # Its two panels.
    cv.polygon([(19, 7), (25, 5), (25, 15), (19, 16)], leaf_dark)
    cv.polygon([(19, 19), (25, 19), (25, 28), (19, 27)], leaf_dark)
    # The handle on the free edge.
    cv.rect(24, 16, 25, 17, knob)
    cv.set(24, 18, leaf_edge)
    # The hinge edge of the frame drawn again over the leaf: the leaf lies in front.
    cv.vline(17, 5, 29, leaf_edge)
    # An arrow leaving through the door.
    arrow = (30, 140, 50)
    arrow_dark = (20, 90, 30)
    cv.polygon([(2, 15), (9, 15), (9, 12), (14, 17.5), (9, 23), (9, 20), (2, 20)], arrow, outline=arrow_dark)
    # The transparent-colour corner stays the face colour.
    cv.set(0, 31, FACE)
    return cv


# ------------------------------------------------------------------- the printer
def printer():
    cv = Canvas(34, 34, FACE)
    paper = (255, 255, 255)
    paper_edge = (120, 120, 120)
    ink = (60, 60, 160)
    ink2 = (200, 60, 60)
    body_top = (210, 214, 222)
    body_bottom = (140, 146, 158)
    body_edge = (60, 64, 72)
    slot = (40, 40, 44)
    led = (40, 220, 60)
    # The sheet waiting at the back.
    cv.rect(9, 2, 24, 13, paper)
    cv.frame(9, 2, 24, 13, paper_edge)
    # The body, lighter on top.
    cv.vgradient(3, 12, 30, 25, body_top, body_bottom)
    cv.frame(3, 12, 30, 25, body_edge)
    cv.set(3, 12, FACE)
    cv.set(30, 12, FACE)
    cv.set(3, 25, FACE)
    cv.set(30, 25, FACE)
    cv.hline(4, 29, 13, (236, 238, 242))
    # The paper slot and the buttons.
    cv.rect(7, 19, 26, 20, slot)
    cv.rect(25, 15, 26, 16, led)
    cv.rect(21, 15, 22, 16, body_edge)
    # The printed page coming out at the front, tilted towards us.
    cv.polygon([(8, 20), (26, 20), (28, 32), (6, 32)], paper, outline=paper_edge)
    # Its picture: a small landscape, and two lines of text.
    cv.rect(10, 23, 16, 27, (120, 190, 240))
    cv.rect(10, 26, 16, 27, (70, 150, 60))
    cv.set(15, 24, (250, 200, 40))
    cv.hline(18, 24, 24, ink)
    cv.hline(18, 23, 26, ink)
    cv.hline(10, 25, 29, ink2)
    cv.set(0, 33, FACE)
    return cv


# ---------------------------------------------------------------------- the icon
def album():
    transparent = (255, 0, 255)
    cv = Canvas(32, 32, transparent)
    cover = (160, 30, 40)
    cover_dark = (100, 16, 24)
    spine = (70, 10, 16)
    pages = (250, 246, 230)
    gold = (230, 190, 60)
    sky = (110, 180, 240)
    hill = (60, 150, 60)
    hill_dark = (30, 100, 40)
    sun = (255, 220, 40)
    black = (0, 0, 0)
    white = (255, 255, 255)
    # The pages seen at the edge, then the cover over them.
    cv.rect(6, 4, 29, 29, pages)
    cv.frame(6, 4, 29, 29, black)
    cv.rect(3, 2, 27, 28, cover)
    cv.frame(3, 2, 27, 28, black)
    cv.rect(4, 3, 7, 27, spine)
    cv.vline(8, 3, 27, cover_dark)
    # The photo on the cover in its gold frame.
    cv.rect(10, 6, 25, 21, gold)
    cv.rect(12, 8, 23, 19, sky)
    cv.disc(20, 11, 2.2, sun)
    cv.polygon([(12, 20), (12, 15), (16, 12), (20, 16), (24, 14), (24, 20)], hill)
    cv.line(12, 15, 16, 12, hill_dark)
    cv.line(16, 12, 20, 16, hill_dark)
    cv.line(20, 16, 23, 14, hill_dark)
    cv.frame(10, 6, 25, 21, cover_dark)
    # The title band.
    cv.hline(11, 24, 24, gold)
    cv.hline(13, 22, 25, gold)
    cv.set(5, 6, white)
    cv.set(5, 24, white)
    return cv, transparent


write_bmp8(f"{OUT}/quitter.bmp", door())
write_bmp24(f"{OUT}/imprimer.bmp", printer())
icon, key = album()
write_ico16(f"{OUT}/galimo.ico", icon, key)
PY

if [ -n "$PREVIEW" ]; then
  mkdir -p "$PREVIEW"
  for f in quitter.bmp imprimer.bmp galimo.ico; do
    convert "$ROOT/resources/$f" -background '#f0f0f0' -flatten -filter point -resize 800% "$PREVIEW/${f%.*}.png"
  done
  echo "make-glyphs: previews in $PREVIEW"
fi
