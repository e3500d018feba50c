// Test helpers that write GIF bytes: the bit packing of LZW codes, data sub-blocks, and a
// plain LZW encoder, so tests can state their input as codes and pixel indexes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace galimo::test {

using Bytes = std::vector<uint8_t>;

// Codes given as (code, width) packed least significant bit first.
inline Bytes PackCodes(const std::vector<std::pair<int, int>>& codes)
{
    Bytes out;
    uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= static_cast<uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) out.push_back(static_cast<uint8_t>(acc & 0xFF));
    return out;
}

// Data split into sub-blocks of at most blockSize bytes, then the terminator.
inline Bytes SubBlocks(const Bytes& data, size_t blockSize = 255)
{
    Bytes out;
    for (size_t i = 0; i < data.size(); i += blockSize) {
        const size_t n = std::min(blockSize, data.size() - i);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
    }
    out.push_back(0);
    return out;
}

// A plain LZW encoder: a clear code first, the end code last. When the table is full it
// clears, unless clearWhenFull is false: then the width stays 12 and no entry is added.
inline std::vector<std::pair<int, int>> EncodeLZW(const Bytes& pixels, int minCodeSize, bool clearWhenFull = true)
{
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::vector<std::pair<int, int>> codes;
    std::vector<int> next;  // next[code * 256 + char] -> code, or -1
    int width = minCodeSize + 1, nextFree = clear + 2;
    auto reset = [&] {
        next.assign(4096 * 256, -1);
        width = minCodeSize + 1;
        nextFree = clear + 2;
    };
    reset();
    codes.push_back({clear, width});
    int current = -1;
    int sinceClear = 0;  // codes written since the last clear code
    for (uint8_t px : pixels) {
        if (current < 0) {
            current = px;
            continue;
        }
        const int found = next[static_cast<size_t>(current * 256 + px)];
        if (found >= 0) {
            current = found;
            continue;
        }
        codes.push_back({current, width});
        ++sinceClear;
        if (nextFree < 4096) {
            next[static_cast<size_t>(current * 256 + px)] = nextFree++;
            if (nextFree > (1 << width) && width < 12) ++width;
        } else if (clearWhenFull) {
            codes.push_back({clear, width});
            reset();
            sinceClear = 0;
        }
        current = px;
    }
    if (current >= 0) {
        codes.push_back({current, width});
        // The decoder adds an entry for this code too before it reads the end code.
        if (sinceClear >= 1 && nextFree < 4096 && nextFree >= (1 << width) && width < 12) ++width;
    }
    codes.push_back({end, width});
    return codes;
}

// Image data of a frame: the minimum code size byte, the sub-blocks, the terminator.
inline Bytes ImageData(const Bytes& pixels, int minCodeSize, bool clearWhenFull = true)
{
    Bytes out{static_cast<uint8_t>(minCodeSize)};
    const Bytes blocks = SubBlocks(PackCodes(EncodeLZW(pixels, minCodeSize, clearWhenFull)));
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

// Little helpers to write a file by pieces.
inline void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }
inline Bytes LE16(int v) { return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF)}; }

// "GIF89a", a logical screen, and a global table of 2 << sizeCode entries when sizeCode >= 0
// (entry i is (i, 2i, 3i) mod 256).
inline Bytes Header(int width, int height, int sizeCode = 1, const char* signature = "GIF89a")
{
    Bytes out(signature, signature + 6);
    Append(out, LE16(width));
    Append(out, LE16(height));
    out.push_back(sizeCode >= 0 ? static_cast<uint8_t>(0x80 | sizeCode) : 0);
    out.push_back(0);  // background index
    out.push_back(0);  // pixel aspect
    if (sizeCode >= 0)
        for (int i = 0; i < (2 << sizeCode); ++i) Append(out, {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)});
    return out;
}

// An image descriptor (no local table unless flags say so).
inline Bytes Descriptor(int left, int top, int width, int height, uint8_t flags = 0)
{
    Bytes out{0x2C};
    Append(out, LE16(left));
    Append(out, LE16(top));
    Append(out, LE16(width));
    Append(out, LE16(height));
    out.push_back(flags);
    return out;
}

// A graphic control extension.
inline Bytes GraphicControl(uint8_t flags, int delay, uint8_t transparentIndex)
{
    Bytes out{0x21, 0xF9, 0x04, flags};
    Append(out, LE16(delay));
    Append(out, {transparentIndex, 0x00});
    return out;
}

// A whole file of one frame covering the screen.
inline Bytes OneFrameGIF(int width, int height, const Bytes& pixels, int minCodeSize = 2, int sizeCode = 1)
{
    Bytes out = Header(width, height, sizeCode);
    Append(out, Descriptor(0, 0, width, height));
    Append(out, ImageData(pixels, minCodeSize));
    out.push_back(0x3B);
    return out;
}

// One frame of an animation: its place, indexes, disposal, delay (-1: no graphic control
// extension) and transparent index (-1: none).
struct AnimFrame {
    int Left = 0, Top = 0, Width = 1, Height = 1;
    Bytes Pixels{1};
    int Disposal = 1;
    int Delay = 0;
    int Transparent = -1;
};

// An animation over the global table of Header(width, height, 2) (entry i is (i, 2i, 3i)),
// with a looping extension before the first frame when loopCount >= 0.
inline Bytes Animation(int width, int height, const std::vector<AnimFrame>& frames, int loopCount = -1)
{
    Bytes out = Header(width, height, 2);
    if (loopCount >= 0) {
        Append(out, {0x21, 0xFF, 0x0B});
        for (char c : std::string("NETSCAPE2.0")) out.push_back(static_cast<uint8_t>(c));
        Append(out, {0x03, 0x01});
        Append(out, LE16(loopCount));
        out.push_back(0);
    }
    for (const AnimFrame& f : frames) {
        if (f.Delay >= 0 || f.Transparent >= 0)
            Append(out, GraphicControl(static_cast<uint8_t>((f.Disposal << 2) | (f.Transparent >= 0 ? 1 : 0)),
                                       std::max(f.Delay, 0), static_cast<uint8_t>(std::max(f.Transparent, 0))));
        Append(out, Descriptor(f.Left, f.Top, f.Width, f.Height));
        Append(out, ImageData(f.Pixels, 3));
    }
    out.push_back(0x3B);
    return out;
}

}  // namespace galimo::test
