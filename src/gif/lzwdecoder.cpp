#include "gif/lzwdecoder.h"

#include "gif/gifsubimage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace galimo {

namespace {

constexpr int TableSize = 4096;
constexpr int StackSize = 8192;
constexpr int MaxMinCodeSize = 11;  // the largest whose codes fit the 4096-entry tables

// Skips data sub-blocks through the zero-length terminator (or to the end of the data).
void SkipSubBlocks(TStream& stream)
{
    for (;;) {
        const int n = TryReadByte(stream);
        if (n <= 0) return;
        stream.Skip(n);
    }
}

// All the state of one frame's decoding in one fixed block: nothing is allocated per code
// or per pixel. A string whose length is known and which fits goes straight into the
// pixels: copied from where it was written before when that is known (every entry is a
// string already output followed by the next one's first character), else expanded
// backwards from the table. Any other goes backwards onto the stack and is handed out
// from there, so what does not fit waits for the next row.
class TLZWDecoder {
public:
    // The pixels are [begin, end); whole-word copies never read past them.
    TLZWDecoder(TGIFSubImage& frame, TStream& stream, int minCodeSize, uint8_t fill, const uint8_t* begin,
                const uint8_t* end)
        : frame(frame), stream(stream), minCodeSize(minCodeSize), clearCode(1 << minCodeSize), endCode(clearCode + 1),
          fill(fill), wordSafe(end - begin >= 16 ? reinterpret_cast<uintptr_t>(end) - 16 : 0)
    {
        codeWidth = minCodeSize + 1;
        growLimit = 2 * clearCode;
        nextFree = clearCode + 2;
        std::memset(blockBuffer, 0, sizeof blockBuffer);
        // Roots above 255 (minimum code sizes over 8) stand for their low byte.
        for (int r = 0; r < clearCode; ++r) roots[r] = static_cast<uint8_t>(r);
        std::memset(roots + clearCode, 0, 16);
    }

    // Hands out up to n characters into out; fewer when the data ran out or the end code
    // came (decoding has then ended). Rows is true when out is one row of an interlaced
    // frame: the strings copied may then lie anywhere in the pixels, even after out.
    template <bool Rows>
    size_t Fill(uint8_t* out, size_t n)
    {
        uint8_t* o = out;
        uint8_t* const e = out + n;
        // Characters left over from the last string first: that string lies in two places.
        if (sp != stackEnd) {
            const size_t k = std::min(static_cast<size_t>(stackEnd - sp), n);
            std::memcpy(o, sp, k);
            sp += k;
            o += k;
            prevStart = nullptr;
        }
        if (startPending && o < e) {
            if (DecodeNext() < 0) return static_cast<size_t>(o - out);
            o = HandOut(o, e);
        }
        // The hot loop works on local copies: stores through the byte pointers could
        // otherwise alias the members and force a reload after every pixel.
        int bp = bitPos, width = codeWidth, free = nextFree, prev = prevCode;
        uint8_t first = firstChar;
        const uint8_t* ps = prevStart;
        while (o < e) {
            if (bp + width >= bitEnd) {
                bitPos = bp;
                codeWidth = width;
                if (!Fetch()) {
                    bp = bitPos;
                    break;
                }
                bp = bitPos;
            }
            uint32_t bits;
            std::memcpy(&bits, blockBuffer + (bp >> 3), 4);
            const int code = static_cast<int>((bits >> (bp & 7)) & ((1u << width) - 1));
            bp += width;

            // A root code (length 1) or a table string of known length that fits: written
            // backwards straight into place.
            const int len = length[code];
            if (len != 0 && len <= e - o) {
                if (const uint8_t* src = where[code]) {
                    // The string itself is pixels written before (or a root's character),
                    // wholly apart from the target; the spare bytes of a whole-word copy
                    // may reach into it, so both words are read before either is written.
                    if (len <= 16 && e - o >= 16 &&
                        (!Rows || code < clearCode || reinterpret_cast<uintptr_t>(src) <= wordSafe)) {
                        // Whole words: bytes past the string are written again later. A
                        // source before o has 16 readable bytes; one in a later row may not.
                        uint64_t low, high;
                        std::memcpy(&low, src, 8);
                        std::memcpy(&high, src + 8, 8);
                        std::memcpy(o, &low, 8);
                        std::memcpy(o + 8, &high, 8);
                    } else {
                        std::memcpy(o, src, static_cast<size_t>(len));
                    }
                } else {
                    int c = code;
                    for (int k = len - 1; k > 0; --k) {
                        o[k] = suffix[c];
                        c = prefix[c];
                    }
                    o[0] = static_cast<uint8_t>(c);
                }
                first = o[0];
                if (free < TableSize) where[free] = Contiguous(ps, prev, o);
                AddEntry(free, width, prev, first);
                prev = code;
                ps = o;
                o += len;
                continue;
            }
            // Everything else (clear and end codes, the string being defined, strings
            // that do not fit) goes the general way, through the stack.
            bitPos = bp;
            codeWidth = width;
            nextFree = free;
            prevCode = prev;
            firstChar = first;
            prevStart = ps;
            const int v = Expand(code, o);
            bp = bitPos;
            width = codeWidth;
            free = nextFree;
            prev = prevCode;
            first = firstChar;
            if (v < 0) break;
            o = HandOut(o, e);
            ps = prevStart;
        }
        bitPos = bp;
        codeWidth = width;
        nextFree = free;
        prevCode = prev;
        firstChar = first;
        prevStart = ps;
        // Whole-word copies may have run up to 15 bytes past the last string; pixels the
        // data never reached keep the fill value.
        if (o < e) std::memset(o, fill, std::min<size_t>(16, static_cast<size_t>(e - o)));
        return static_cast<size_t>(o - out);
    }

    // The finishing request: one more character, so that the end code that normally
    // follows the last pixel is consumed. Then, whatever ended the pixels, leave the
    // stream right after the terminator: never inside the data, never beyond it.
    void Finish()
    {
        if (sp == stackEnd) DecodeNext();
        if (!terminatorSeen && !dataSkipped) SkipSubBlocks(stream);
    }

private:
    // Where the entry made from the previous string (written at ps) and the next one's
    // first character (at o) can be copied from: only when they lie side by side.
    const uint8_t* Contiguous(const uint8_t* ps, int prev, const uint8_t* o) const
    {
        return ps && prev >= 0 && length[prev] != 0 && ps + length[prev] == o ? ps : nullptr;
    }

    // Writes what fits of the string on the stack at o; a string written whole is where
    // the next entry starts.
    uint8_t* HandOut(uint8_t* o, uint8_t* e)
    {
        const size_t all = static_cast<size_t>(stackEnd - sp);
        const size_t k = std::min(all, static_cast<size_t>(e - o));
        std::memcpy(o, sp, k);
        sp += k;
        prevStart = k == all ? o : nullptr;
        return o + k;
    }

    // Reads and expands one code; its string is left on the stack. Answers the first
    // character, -1 when the data ran out, -2 at the end code.
    int DecodeNext()
    {
        int code;
        if (startPending) {
            // Decoding always begins with a fresh table, whatever the first code is.
            startPending = false;
            code = clearCode;
        } else {
            code = ReadCode();
            if (code < 0) return code;
        }
        return Expand(code, nullptr);
    }

    // Expands a code read from the data onto the stack (see DecodeNext); o is where it
    // will be written, if known.
    int Expand(int code, const uint8_t* o)
    {
        if (code == clearCode) {
            ClearTable();
            do {
                code = ReadCode();
                firstChar = static_cast<uint8_t>(code);
                prevCode = code;
            } while (code == clearCode);
            if (code < 0) return code;
            // With minimum code size 1 the first free entry (4) is already past two-bit
            // codes: every code after this first one is read three bits wide, as other
            // decoders read such files.
            if (minCodeSize == 1) {
                codeWidth = 3;
                growLimit = 8;
            }
            // Normally a root code; taken as a character as it stands.
            *--sp = static_cast<uint8_t>(code);
            return code;
        }

        if (code == endCode) {
            if (!terminatorSeen) {
                SkipSubBlocks(stream);
                dataSkipped = true;
            }
            return -2;
        }

        const int inCode = code;
        uint8_t* p = stackEnd;
        if (code >= nextFree) {
            // The string being defined right now (KwKwK), or any invalid code beyond it:
            // the previous string plus its own first character.
            *--p = firstChar;
            code = prevCode;
        }
        while (code >= clearCode) {
            *--p = suffix[code];
            // A chain longer than any table can hold never reaches a root code.
            if (p == stack) throw GIFException("Circular decoder table entry");
            code = prefix[code];
        }
        firstChar = static_cast<uint8_t>(code);  // a root code stands for itself
        *--p = firstChar;

        if (nextFree < TableSize) where[nextFree] = Contiguous(prevStart, prevCode, o);
        AddEntry(nextFree, codeWidth, prevCode, firstChar);
        prevCode = inCode;
        sp = p;
        return firstChar;
    }

    // The entry the previous string plus this one's first character. Once the table is
    // full the width stays at 12 bits and nothing is added until the next clear code.
    // Its length is kept when the previous string's is known (a root, or an entry made
    // from known ones), so the hot loop can write it straight into place.
    void AddEntry(int& free, int& width, int prev, uint8_t first)
    {
        if (free >= TableSize) return;
        prefix[free] = static_cast<uint16_t>(prev);
        suffix[free] = first;
        // Roots have length 1; entries not made since the last clear code have 0.
        const int prevLength = prev >= 0 ? length[prev] : 0;
        length[free] = static_cast<uint16_t>(prevLength ? prevLength + 1 : 0);
        ++free;
        if (free >= growLimit && growLimit < TableSize) {
            growLimit *= 2;
            ++width;
        }
    }

    void ClearTable()
    {
        for (int r = 0; r < clearCode; ++r) {
            prefix[r] = 0;
            suffix[r] = static_cast<uint8_t>(r);
            length[r] = 1;
            where[r] = roots + r;
        }
        std::memset(length + clearCode, 0, sizeof(length[0]) * static_cast<size_t>(TableSize - clearCode));
        std::memset(prefix + clearCode, 0, sizeof(prefix[0]) * static_cast<size_t>(TableSize - clearCode));
        std::memset(suffix + clearCode, 0, sizeof(suffix[0]) * static_cast<size_t>(TableSize - clearCode));
        codeWidth = minCodeSize + 1;
        growLimit = 2 * clearCode;
        nextFree = clearCode + 2;
        sp = stackEnd;
    }

    // The next codeWidth bits, least significant bit first; -1 when the data ran out.
    int ReadCode()
    {
        // Fetch when the unread bits are not more than one code (equality included).
        if (bitPos + codeWidth >= bitEnd && !Fetch()) return -1;
        const uint8_t* b = blockBuffer + (bitPos >> 3);
        const uint32_t bits = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16);
        const int code = static_cast<int>((bits >> (bitPos & 7)) & ((1u << codeWidth) - 1));
        bitPos += codeWidth;
        return code;
    }

    // Appends data sub-blocks behind the last two bytes of the previous one until the
    // next code is complete, or the data ends. False when no bits can come any more.
    bool Fetch()
    {
        if (terminatorSeen) {
            if (bitPos >= bitEnd) frame.Warn(1, "Decoder bit buffer under-run");
            return false;
        }
        if (dataSkipped || streamEnded) return false;
        do {
            // At most 12 unread bits: the two last bytes hold them all.
            blockBuffer[0] = blockBuffer[bufferedBytes - 2];
            blockBuffer[1] = blockBuffer[bufferedBytes - 1];
            int n = TryReadByte(stream);
            if (n < 0) return false;
            if (n == 0) {
                terminatorSeen = true;
            } else {
                const int got = static_cast<int>(stream.Read(blockBuffer + 2, static_cast<size_t>(n)));
                if (got < n) {
                    frame.Warn(1, "Premature end of data");
                    n = got;
                    streamEnded = true;
                }
            }
            bufferedBytes = n + 2;
            bitPos = bitPos - bitEnd + 16;
            bitEnd = 8 * (n + 2);
            // Codes are read three bytes at a time; what lies past the data reads as zero.
            std::memset(blockBuffer + n + 2, 0, 4);
        } while (bitPos + codeWidth > bitEnd && !terminatorSeen && !streamEnded);
        if (bitPos + codeWidth > bitEnd) {
            // A code cut short by the end of the data is no code: it makes no pixel out
            // of bits that are not there. It still counts as read, so the next request
            // finds every bit used.
            bitPos += codeWidth;
            return false;
        }
        return true;
    }

    TGIFSubImage& frame;
    TStream& stream;
    const int minCodeSize;
    const int clearCode;
    const int endCode;
    const uint8_t fill;
    const uintptr_t wordSafe;  // pixel sources at or below this have 16 readable bytes; roots always do
    int codeWidth;
    int growLimit;
    int nextFree;
    int prevCode = 0;
    uint8_t firstChar = 0;
    bool startPending = true;
    bool terminatorSeen = false;
    bool dataSkipped = false;  // the end code skipped the rest of the data
    bool streamEnded = false;  // a sub-block was cut short by the end of the stream
    int bufferedBytes = 2;
    int bitPos = 0;
    int bitEnd = 0;

    uint16_t prefix[TableSize];
    uint8_t suffix[TableSize];
    uint16_t length[TableSize];  // string length of a code; 0 when not known or not a string
    const uint8_t* where[TableSize];  // an earlier copy of the string in the pixels, or null
    const uint8_t* prevStart = nullptr;  // where the last string was written whole, or null
    uint8_t roots[(1 << MaxMinCodeSize) + 16];  // each root's character, for the whole-word copy
    uint8_t stack[StackSize];
    uint8_t* const stackEnd = stack + StackSize;
    uint8_t* sp = stackEnd;  // pending characters are [sp, stackEnd)
    uint8_t blockBuffer[2 + 255 + 6];  // room to read four bytes at any code
};

}  // namespace

void DecodePixels(TGIFSubImage& frame, TStream& stream)
{
    frame.AllocatePixels();
    uint8_t* const pixels = frame.Pixels();
    const uint8_t fill = frame.HasTransparency && frame.GraphicControl ? frame.GraphicControl->TransparentIndex : 0;
    if (pixels && fill != 0) std::memset(pixels, fill, frame.PixelCount());

    const int minCodeSize = TryReadByte(stream);
    if (minCodeSize < 0) return;
    if (minCodeSize > MaxMinCodeSize) {
        // Its clear code lies outside the tables. Failing the whole picture for one frame
        // nobody can decode would lose the frames that can be shown, so the frame keeps
        // its fill value, the reader says why, and the next block is read.
        frame.Warn(1, "Invalid LZW minimum code size");
        SkipSubBlocks(stream);
        return;
    }

    TLZWDecoder decoder(frame, stream, minCodeSize, fill, pixels, pixels ? pixels + frame.PixelCount() : pixels);
    const int width = frame.Width;
    const int height = frame.Height;
    if (pixels) {
        if (!frame.IsInterlaced()) {
            decoder.Fill<false>(pixels, frame.PixelCount());
        } else {
            // Each row goes straight to its final place.
            TInterlaceRows rows(height);
            for (int n = 0; n < height; ++n) {
                const size_t w = static_cast<size_t>(width);
                if (decoder.Fill<true>(pixels + static_cast<size_t>(rows.Row()) * w, w) < w) break;
                rows.Next();
            }
        }
    }
    decoder.Finish();
}

}  // namespace galimo
