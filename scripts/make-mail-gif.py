#!/usr/bin/env python3
"""Draws the about box's mail picture, resources/about/mail.gif: a 65 x 35 letter with a
stamp on which lines of writing and then a smiling face appear, 38 full-size frames over a
256-entry global colour table. The first frame carries no graphic control extension, the
others ask for 2 hundredths of a second each, none is transparent; the picture loops 1000
times. Standard library only: the GIF bytes and their LZW codes are written here."""
import math
import random
import struct
import sys

W, H = 65, 35
WHITE, BLACK, RED, YELLOW, GREY = 0, 1, 2, 3, 4
PALETTE = [(255, 255, 255), (0, 0, 0), (192, 0, 0), (255, 220, 0), (128, 128, 128)]
PALETTE += [(0, 0, 0)] * (256 - len(PALETTE))
FRAMES = 38


def letter():
    px = [[WHITE] * W for _ in range(H)]
    for x in range(1, W - 1):
        px[1][x] = px[H - 2][x] = BLACK
    for y in range(1, H - 1):
        px[y][1] = px[y][W - 2] = BLACK
    # The stamp: yellow, a red toothed edge, a red heart-ish mark.
    for y in range(3, 13):
        for x in range(50, 61):
            edge = y in (3, 12) or x in (50, 60)
            px[y][x] = (RED if (x + y) % 2 == 0 else YELLOW) if edge else YELLOW
    for x, y in ((54, 6), (56, 6), (53, 7), (54, 7), (55, 7), (56, 7), (57, 7), (54, 8), (55, 8), (56, 8), (55, 9)):
        px[y][x] = RED
    return px


def writing():
    """Pixels of the handwriting, in the order a hand writes them."""
    rnd = random.Random(1964)
    order = []
    for n, y in enumerate((7, 12, 17, 22, 27)):
        right = 46 if y < 14 else 58
        x = 5 + (6 if n == 0 else 0)
        while x < right:
            word = rnd.randint(3, 8)
            for i in range(min(word, right - x)):
                order.append((x + i, y))
                if rnd.random() < 0.35:
                    order.append((x + i, y - 1))
                if rnd.random() < 0.12:
                    order.append((x + i, y - 2))
            x += word + 2
    return order


def smile():
    order = []
    cx, cy, r = 32, 17, 11
    for k in range(72):  # the face's outline, clockwise from the top
        a = 2 * math.pi * k / 72 - math.pi / 2
        order.append((round(cx + r * math.cos(a)), round(cy + r * math.sin(a))))
    order += [(28, 13), (29, 13), (28, 14), (29, 14), (35, 13), (36, 13), (35, 14), (36, 14)]
    for k in range(21):  # the smile
        a = math.pi * (0.15 + 0.7 * k / 20)
        order.append((round(cx + 6 * math.cos(a)), round(cy + 1 + 5 * math.sin(a))))
    return order


def frames():
    base = letter()
    text, face = writing(), smile()
    out = []
    for f in range(FRAMES):
        px = [row[:] for row in base]
        if f <= 23:
            shown = text[: len(text) * min(f, 20) // 20]
        else:
            shown = face[: len(face) * min(f - 23, 12) // 12]
        for x, y in shown:
            px[y][x] = BLACK
        out.append(bytes(c for row in px for c in row))
    return out


def lzw(data, min_size=8):
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    bits, nbits, out = 0, 0, bytearray()

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, min_size + 1, eoi + 1

    table, size, nxt = reset()
    emit(clear, size)
    w = b""
    for b in data:
        wc = w + bytes([b])
        if wc in table:
            w = wc
            continue
        emit(table[w], size)
        if nxt < 4096:
            table[wc] = nxt
            if nxt == 1 << size:
                size += 1
            nxt += 1
        else:
            emit(clear, size)
            table, size, nxt = reset()
        w = bytes([b])
    emit(table[w], size)
    emit(eoi, size)
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray([min_size])
    for i in range(0, len(out), 255):
        chunk = out[i : i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return bytes(blocks + b"\0")


def gif():
    g = bytearray(b"GIF89a")
    g += struct.pack("<HHBBB", W, H, 0xF7, WHITE, 0)
    for rgb in PALETTE:
        g += bytes(rgb)
    g += b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", 1000) + b"\0"
    for n, pixels in enumerate(frames()):
        if n:
            g += b"\x21\xf9\x04\x00" + struct.pack("<H", 2) + b"\x00\x00"
        g += b"\x2c" + struct.pack("<HHHHB", 0, 0, W, H, 0)
        g += lzw(pixels)
    g += b"\x3b"
    return bytes(g)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "resources/about/mail.gif"
    with open(path, "wb") as f:
        f.write(gif())
