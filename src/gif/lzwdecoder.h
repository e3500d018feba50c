// The LZW decoder of GIF image data and the interlaced row order.
#pragma once

#include "platform/files/stream.h"

namespace galimo {

class TGIFSubImage;

// Decodes the image data of one frame, the stream standing at its minimum code size
// byte, into the frame's pixels (always in top-to-bottom order). Pixels the data does not
// reach keep the fill value: the transparent index for a transparent frame, else 0.
// Afterwards the stream stands right after the data's zero-length terminator (or at the
// end of the data), never further. Raises GIFException "Circular decoder table entry".
void DecodePixels(TGIFSubImage& frame, TStream& stream);

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
