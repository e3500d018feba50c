// The LZW decoder of GIF image data and the interlaced row order.
#pragma once

#include "platform/files/stream.h"

#include <cstdint>
#include <functional>
#include <string>

namespace galimo {

// What the decoder is told of a frame.
struct TLZWFrame {
    int Width = 0, Height = 0;
    bool Interlaced = false;
    // What pixels the data does not reach hold: the transparent index of a transparent
    // frame, else 0.
    uint8_t Fill = 0;
    // Hears what is wrong with the data that decoding goes past; may be empty.
    std::function<void(const std::string& message)> Warn;
};

// Decodes the image data of one frame, the stream standing at its minimum code size
// byte, into pixels: Width x Height zero bytes, in top-to-bottom order; or none, when the
// data is only read past. Pixels the data does not reach hold the fill value. Afterwards
// the stream stands right after the data's zero-length terminator (or at the end of the
// data), never further. Raises GIFException "Circular decoder table entry".
void DecodePixels(const TLZWFrame& frame, uint8_t* pixels, TStream& stream);

// The rows of an interlaced frame in the order their pixels arrive: every 8th row from 0,
// every 8th from 4, every 4th from 2, every 2nd from 1. Passes with no row are skipped.
class TInterlaceRows {
public:
    explicit TInterlaceRows(int height) : height(height) {}
    int Row() const { return row; }
    void Next()
    {
        if (height <= 0) return;
        row += step;
        while (row >= height) {
            if (pass > 0) step /= 2;
            ++pass;
            row = step / 2;
        }
    }

private:
    int height;
    int row = 0;
    int pass = 0;
    int step = 8;
};

}  // namespace galimo
