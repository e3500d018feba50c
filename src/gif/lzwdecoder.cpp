#include "gif/lzwdecoder.h"

#include "gif/gifbase.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

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
// pixels: one of up to 8 characters is kept whole in its entry and written as one word; a
// longer one is copied from where it was written before when that is known (every entry
// is a string already output followed by the next one's first character), else expanded
// backwards from the table. Any other goes backwards onto the stack and is handed out
// from there.
//
// The tables outlive a frame (see TDecoderLease): a clear code then forgets only the
// entries made since the last one, and a small frame pays for the entries it makes, not
// for the whole table. Entries at or above nextFree count as empty (prefix and suffix 0,
// no known length) without being cleared.
class TLZWDecoder {
public:
    TLZWDecoder()
    {
        std::memset(length, 0, sizeof length);
        std::memset(blockBuffer, 0, sizeof blockBuffer);
    }

    // Starts a frame.
    void Begin(const TLZWFrame& f, TStream& s, int minCode)
    {
        frame = &f;
        stream = &s;
        fill = f.Fill;
        dirtyEnd = std::max(dirtyEnd, nextFree);
        if (minCode != minCodeSize) {
            // The old roots, if there were more, are entries of no known length now.
            dirtyEnd = std::max(dirtyEnd, clearCode);
            minCodeSize = minCode;
            clearCode = 1 << minCode;
            endCode = clearCode + 1;
            // Roots above 255 (minimum code sizes over 8) stand for their low byte.
            for (int r = 0; r < clearCode; ++r) {
                prefix[r] = 0;
                suffix[r] = static_cast<uint8_t>(r);
                length[r] = 1;
                packed[r] = static_cast<uint8_t>(r);
            }
        }
        codeWidth = minCodeSize + 1;
        growLimit = 2 * clearCode;
        nextFree = clearCode + 2;
        prevCode = 0;
        firstChar = 0;
        startPending = true;
        terminatorSeen = dataSkipped = streamEnded = false;
        bufferedBytes = 2;
        bitPos = bitEnd = 0;
        prevStart = nullptr;
        sp = stackEnd;
    }

    // Writes up to n characters into out, the frame's pixels from their start; fewer when
    // the data ran out or the end code came (decoding has then ended).
    size_t Fill(uint8_t* out, size_t n)
    {
        uint8_t* o = out;
        uint8_t* const e = out + n;
        if (startPending && o < e) {
            if (DecodeNext() < 0) return static_cast<size_t>(o - out);
            o = HandOut(o, e);
        }
        bool ended = false;
        for (;;) {
            int code = Run(o, e);
            if (code == RunNeedsBits) {
                if (!Fetch()) {
                    ended = true;
                    break;
                }
                // Fetched because the unread bits were not more than one code: that code
                // is read now, whether or not the data went on (it may end with it).
                if (bitPos + codeWidth < bitEnd) continue;
                code = TakeCode();
            }
            if (code >= 0 || code == RunGeneral) {
                // Clear and end codes, strings that do not fit, strings of no known
                // length go the general way, through the stack.
                if (General(code, o, e)) continue;
                ended = true;
            }
            break;
        }
        // The last few characters of the output go the general way, exactly.
        if (!ended)
            while (o < e && General(-1, o, e)) continue;
        // Whole-word copies may have run past the last string; pixels the data never
        // reached keep the fill value.
        if (o < e) std::memset(o, fill, std::min<size_t>(Margin, static_cast<size_t>(e - o)));
        return static_cast<size_t>(o - out);
    }

    // The finishing request: one more character, so that the end code that normally
    // follows the last pixel is consumed. Then, whatever ended the pixels, leave the
    // stream right after the terminator: never inside the data, never beyond it.
    void Finish()
    {
        if (sp == stackEnd) DecodeNext();
        if (!terminatorSeen && !dataSkipped) SkipSubBlocks(*stream);
    }

private:
    static constexpr int Margin = 15;  // bytes CopyWords may write past a string
    static constexpr int RunNeedsBits = -1;
    static constexpr int RunNearTheEnd = -2;
    static constexpr int RunGeneral = -3;  // the next code goes the general way, not read yet

    // The hot loop: codes whose strings go straight into place, until no more than Margin
    // bytes are left (RunNearTheEnd), the next code is not wholly in the buffer
    // (RunNeedsBits), or a code needs the general way (answered, already read). It calls
    // nothing, and works on local copies that it stores back when it returns: stores
    // through the byte pointers could otherwise alias the members and force a reload
    // after every pixel.
    [[gnu::noinline]] int Run(uint8_t*& out, uint8_t* const e)
    {
        uint8_t* o = out;
        int bp = bitPos, width = codeWidth, free = nextFree, prev = prevCode;
        const int bitsEnd = bitEnd;
        uint32_t mask = (1u << width) - 1;
        // The growth limit is always 1 << width; none at 12 bits.
        int growAt = width < 12 ? 1 << width : INT_MAX;
        // The previous string when it lies whole just before o (then the entry the next
        // code makes lies there too), and its length. When that is not known (only after
        // invalid codes), the next code goes the general way: in here it always is.
        int prevLen = prev >= 0 ? length[prev] : 0;
        if (prevLen == 0) return e - o < Margin + 1 ? RunNearTheEnd : RunGeneral;
        const uint8_t* ps = prevStart && prevStart + prevLen == o ? prevStart : nullptr;
        uint64_t prevPacked = prevLen <= 8 ? packed[prev] : 0;
        int answer;
        for (;;) {
            const ptrdiff_t room = e - o;
            if (room < Margin + 1) {
                answer = RunNearTheEnd;
                break;
            }
            if (bp + width >= bitsEnd) {
                answer = RunNeedsBits;
                break;
            }
            uint32_t bits;
            std::memcpy(&bits, blockBuffer + (bp >> 3), 4);
            const int code = static_cast<int>((bits >> (bp & 7)) & mask);
            bp += width;

            // A string of up to 8 characters (roots included) is in its entry, a longer
            // one of known length with room for whole 16-byte words past it is copied
            // from where it was written before: either way straight into place.
            unsigned len = length[code];
            const uint8_t* src = where[code];
            uint8_t head;  // the string's first character, taken from where it comes from
            uint64_t word = 0;  // the string, when it is 8 characters at most
            if (len - 1 < 8) {
                word = packed[code];
                std::memcpy(o, &word, 8);
                head = static_cast<uint8_t>(word);
            } else if (len - 1 < static_cast<unsigned>(room) - Margin) {
                if (src) {
                    // The string is pixels written before, wholly apart from the target; a
                    // word's spare bytes land past the string, where later strings write
                    // again, and are read before written.
                    CopyWords(o, src, len);
                    head = src[0];
                } else {
                    // Backwards down to the entry of its first 8 characters, packed.
                    int c = code;
                    for (int k = static_cast<int>(len) - 1; k >= 8; --k) {
                        o[k] = suffix[c];
                        c = prefix[c];
                    }
                    const uint64_t start = packed[c];
                    std::memcpy(o, &start, 8);
                    head = static_cast<uint8_t>(start);
                }
            } else if (code == free && ps && static_cast<unsigned>(prevLen) + Margin + 1 <= static_cast<unsigned>(room)) {
                // The string being defined right now: the previous one, just before o,
                // followed by its own first character.
                if (prevLen < 8) {
                    head = static_cast<uint8_t>(prevPacked);
                    word = prevPacked | uint64_t(head) << (8 * prevLen);
                    std::memcpy(o, &word, 8);
                } else {
                    CopyWords(o, ps, static_cast<unsigned>(prevLen));
                    head = ps[0];
                    o[prevLen] = head;
                }
                len = static_cast<unsigned>(prevLen) + 1;
            } else if (len - 1 < static_cast<unsigned>(room) && src) {
                // Near the end: a string that fits, but not its spare bytes, byte by byte.
                for (unsigned k = 0; k < len; ++k) o[k] = src[k];
                head = src[0];
            } else {
                answer = code;
                break;
            }
            // The entry made by this code: the previous string plus this one's first
            // character. Once the table is full the width stays at 12 bits and nothing
            // is added until the next clear code.
            if (free < TableSize) {
                // An entry of 8 characters at most is its packed string; a longer one
                // its prefix, suffix and where it lies in the pixels, if known.
                length[free] = static_cast<uint16_t>(prevLen + 1);
                if (prevLen < 8) {
                    packed[free] = prevPacked | uint64_t(head) << (8 * prevLen);
                } else {
                    prefix[free] = static_cast<uint16_t>(prev);
                    suffix[free] = head;
                    where[free] = ps;
                }
                if (++free >= growAt) {
                    ++width;
                    mask = (1u << width) - 1;
                    growLimit = 1 << width;
                    growAt = width < 12 ? growLimit : INT_MAX;
                }
            }
            prev = code;
            prevLen = static_cast<int>(len);
            prevPacked = word;
            ps = o;
            o += len;
        }
        if (ps) firstChar = ps[0];
        bitPos = bp;
        codeWidth = width;
        nextFree = free;
        prevCode = prev;
        prevStart = ps;
        out = o;
        return answer;
    }

    // Copies len bytes (at least 1) in whole 16-byte words: up to Margin more are written.
    static void CopyWords(uint8_t* o, const uint8_t* src, unsigned len)
    {
        if (len <= 8) {
            // Short strings (dithered pictures are made of them) in one narrow word: a
            // load that spans fewer of the stores just made waits for fewer of them.
            uint64_t word;
            std::memcpy(&word, src, 8);
            std::memcpy(o, &word, 8);
            return;
        }
        unsigned k = 0;
        do {
            uint64_t low, high;
            std::memcpy(&low, src + k, 8);
            std::memcpy(&high, src + k + 8, 8);
            std::memcpy(o + k, &low, 8);
            std::memcpy(o + k + 8, &high, 8);
            k += 16;
        } while (k < len);
    }

    // One code the general way: expanded onto the stack (read first when code is -1),
    // then what fits written at o. False when the data ran out or the end code came.
    [[gnu::noinline]] bool General(int code, uint8_t*& o, uint8_t* e)
    {
        if ((code < 0 ? DecodeNext(o) : Expand(code, o)) < 0) return false;
        o = HandOut(o, e);
        return true;
    }

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

    // Reads and expands one code; its string is left on the stack, to be written at o if
    // that is known. Answers the first character, -1 when the data ran out, -2 at the end
    // code.
    int DecodeNext(const uint8_t* o = nullptr)
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
        return Expand(code, o);
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
                SkipSubBlocks(*stream);
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
            // An entry not made since the last clear code is empty: prefix and suffix 0.
            const bool made = code < nextFree;
            if (made && length[code] - 1u < 8) {
                // A packed one holds its whole string (the hot loop keeps no prefix and
                // suffix for it): all but its first character, which ends the chain.
                const int n = length[code];
                if (p - stack <= n - 1) throw GIFException("Circular decoder table entry");
                const uint64_t w = packed[code];
                for (int j = n - 1; j > 0; --j) *--p = static_cast<uint8_t>(w >> (8 * j));
                code = static_cast<uint8_t>(w);
                break;
            }
            *--p = made ? suffix[code] : 0;
            // A chain longer than any table can hold never reaches a root code.
            if (p == stack) throw GIFException("Circular decoder table entry");
            code = made ? prefix[code] : 0;
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
        if (prevLength != 0 && prevLength < 8) packed[free] = packed[prev] | uint64_t(first) << (8 * prevLength);
        ++free;
        if (free >= growLimit && growLimit < TableSize) {
            growLimit *= 2;
            ++width;
        }
    }

    // Only the lengths of the entries made since the last clear (or before the frame,
    // roots of a larger code size included) are forgotten: the rest are 0 already, and
    // prefixes and suffixes at or above nextFree are never read.
    void ClearTable()
    {
        const int end = std::max({dirtyEnd, nextFree, endCode + 1});
        std::memset(length + clearCode, 0, sizeof(length[0]) * static_cast<size_t>(end - clearCode));
        dirtyEnd = 0;
        prefix[clearCode] = prefix[endCode] = 0;
        suffix[clearCode] = suffix[endCode] = 0;
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
        return TakeCode();
    }

    void Warn(const char* message) const
    {
        if (frame->Warn) frame->Warn(message);
    }

    // The next codeWidth bits, which are there.
    int TakeCode()
    {
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
            if (bitPos >= bitEnd) Warn("Decoder bit buffer under-run");
            return false;
        }
        if (dataSkipped || streamEnded) return false;
        do {
            // At most 12 unread bits: the two last bytes hold them all.
            blockBuffer[0] = blockBuffer[bufferedBytes - 2];
            blockBuffer[1] = blockBuffer[bufferedBytes - 1];
            int n = TryReadByte(*stream);
            if (n < 0) return false;
            if (n == 0) {
                terminatorSeen = true;
            } else {
                const int got = static_cast<int>(stream->Read(blockBuffer + 2, static_cast<size_t>(n)));
                if (got < n) {
                    Warn("Premature end of data");
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

    const TLZWFrame* frame = nullptr;
    TStream* stream = nullptr;
    int minCodeSize = -1;  // the roots in the table are this size's
    int clearCode = 0;
    int endCode = 1;
    uint8_t fill = 0;
    int codeWidth = 0;
    int growLimit = 0;
    int nextFree = 0;
    int dirtyEnd = 0;  // every entry from here up has no known length, as has every one from clearCode up to nextFree after a clear
    int prevCode = 0;
    uint8_t firstChar = 0;
    bool startPending = true;
    bool terminatorSeen = false;
    bool dataSkipped = false;  // the end code skipped the rest of the data
    bool streamEnded = false;  // a sub-block was cut short by the end of the stream
    int bufferedBytes = 2;
    int bitPos = 0;
    int bitEnd = 0;

    // Per entry: its length, 0 when not known or not a string; for one of 8 characters at
    // most its string packed, the first in the low byte; else (and for every entry made
    // outside the hot loop) its prefix and suffix, and an earlier copy of its string in
    // the pixels, or null.
    uint16_t length[TableSize];
    uint64_t packed[TableSize];
    uint16_t prefix[TableSize];
    uint8_t suffix[TableSize];
    const uint8_t* where[TableSize];
    const uint8_t* prevStart = nullptr;  // where the last string was written whole, or null
    uint8_t stack[StackSize];
    uint8_t* const stackEnd = stack + StackSize;
    uint8_t* sp = stackEnd;  // pending characters are [sp, stackEnd)
    uint8_t blockBuffer[2 + 255 + 6];  // room to read four bytes at any code
};

// The decoder of this thread, kept from frame to frame and from picture to picture; a
// second one only while the first is busy (a warning's handler loading another picture).
class TDecoderLease {
public:
    TDecoderLease()
    {
        if (busy) {
            own = std::make_unique<TLZWDecoder>();
            decoder = own.get();
            return;
        }
        if (!kept) kept = std::make_unique<TLZWDecoder>();
        decoder = kept.get();
        busy = true;
    }
    ~TDecoderLease()
    {
        if (!own) busy = false;
    }
    TDecoderLease(const TDecoderLease&) = delete;
    TDecoderLease& operator=(const TDecoderLease&) = delete;
    TLZWDecoder& operator*() const { return *decoder; }

private:
    static thread_local std::unique_ptr<TLZWDecoder> kept;
    static thread_local bool busy;
    std::unique_ptr<TLZWDecoder> own;
    TLZWDecoder* decoder;
};

thread_local std::unique_ptr<TLZWDecoder> TDecoderLease::kept;
thread_local bool TDecoderLease::busy = false;

// Moves the rows of an interlaced frame, stored in the order they arrived, to their
// places. Only the first `arrived` rows hold data; the others hold the fill value. A whole
// frame goes round each cycle of the permutation with one row held aside; a frame whose
// data ended early moves only its rows of data and fills the places they leave, so a
// truncated frame costs what it holds, not its size.
void Deinterlace(uint8_t* pixels, int width, int height, int arrived, uint8_t fill)
{
    if (height < 3 || arrived <= 1) return;  // rows 0 and 1 arrive in their order
    // from[r]: where the row that belongs at r arrived; -1 once it is in place.
    std::vector<int> from(static_cast<size_t>(height));
    TInterlaceRows rows(height);
    for (int k = 0; k < height; ++k, rows.Next()) from[static_cast<size_t>(rows.Row())] = k;
    const size_t w = static_cast<size_t>(width);
    if (arrived < height) {
        const std::vector<uint8_t> data(pixels, pixels + static_cast<size_t>(arrived) * w);
        for (int r = 0; r < height; ++r) {
            const int k = from[static_cast<size_t>(r)];
            uint8_t* const to = pixels + static_cast<size_t>(r) * w;
            if (k < arrived)
                std::memcpy(to, data.data() + static_cast<size_t>(k) * w, w);
            else if (r < arrived)
                std::memset(to, fill, w);
        }
        return;
    }
    std::vector<uint8_t> held(w);
    for (int start = 0; start < height; ++start) {
        if (from[static_cast<size_t>(start)] < 0 || from[static_cast<size_t>(start)] == start) continue;
        std::memcpy(held.data(), pixels + static_cast<size_t>(start) * w, w);
        for (int r = start;;) {
            const int k = std::exchange(from[static_cast<size_t>(r)], -1);
            uint8_t* const to = pixels + static_cast<size_t>(r) * w;
            if (k == start) {
                std::memcpy(to, held.data(), w);
                break;
            }
            std::memcpy(to, pixels + static_cast<size_t>(k) * w, w);
            r = k;
        }
    }
}

}  // namespace

void DecodePixels(const TLZWFrame& frame, uint8_t* pixels, TStream& stream)
{
    const size_t count = static_cast<size_t>(frame.Width) * static_cast<size_t>(frame.Height);
    if (pixels && frame.Fill != 0) std::memset(pixels, frame.Fill, count);

    const int minCodeSize = TryReadByte(stream);
    if (minCodeSize < 0) return;
    if (minCodeSize > MaxMinCodeSize) {
        // Its clear code lies outside the tables. Failing the whole picture for one frame
        // nobody can decode would lose the frames that can be shown, so the frame keeps
        // its fill value, the reader says why, and the next block is read.
        if (frame.Warn) frame.Warn("Invalid LZW minimum code size");
        SkipSubBlocks(stream);
        return;
    }

    const TDecoderLease lease;
    TLZWDecoder& decoder = *lease;
    decoder.Begin(frame, stream, minCodeSize);
    if (pixels && count) {
        // An interlaced frame's rows are decoded one after another in the order they come,
        // then moved to their places: that costs a copy of the frame, where decoding row
        // by row into place cost every row a string cut in two and a slow tail.
        const int width = frame.Width, height = frame.Height;
        size_t written = 0;
        try {
            written = decoder.Fill(pixels, count);
        } catch (...) {
            if (frame.Interlaced) Deinterlace(pixels, width, height, height, frame.Fill);
            throw;
        }
        // Rows past the last pixel written hold nothing but the fill value.
        const int arrived = static_cast<int>((written + static_cast<size_t>(width) - 1) / static_cast<size_t>(width));
        if (frame.Interlaced) Deinterlace(pixels, width, height, arrived, frame.Fill);
    }
    decoder.Finish();
}

}  // namespace galimo
