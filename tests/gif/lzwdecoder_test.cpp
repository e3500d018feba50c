// The LZW decoder on hand-made image data: codes are written out with their widths, so
// every case shows the bit string it decodes.
#include "gif/lzwdecoder.h"

#include "gif/gifbase.h"
#include "gifbuilder.h"

#include <gtest/gtest.h>

namespace galimo {
namespace {

using test::Bytes;
using Codes = std::vector<std::pair<int, int>>;

struct Decoded {
    Bytes pixels;
    std::vector<std::string> warnings;
    int64_t position = 0;
    std::string error;
};

// Decodes data into a frame of width x height; the stream holds data followed by tail.
Decoded Decode(const Bytes& data, int width, int height, bool interlaced = false, int transparentIndex = -1,
               const Bytes& tail = {})
{
    Decoded d;
    TLZWFrame frame;
    frame.Width = width;
    frame.Height = height;
    frame.Interlaced = interlaced;
    frame.Fill = static_cast<uint8_t>(std::max(transparentIndex, 0));
    frame.Warn = [&d](const std::string& m) { d.warnings.push_back(m); };
    d.pixels.assign(static_cast<size_t>(width * height), 0);
    Bytes all = data;
    test::Append(all, tail);
    TMemoryStream stream(all.data(), all.size());
    try {
        DecodePixels(frame, d.pixels.data(), stream);
    } catch (const GIFException& e) {
        d.error = e.what();
    }
    d.position = stream.Position();
    return d;
}

// Minimum code size byte + codes packed into sub-blocks + terminator.
Bytes Data(int minCodeSize, const Codes& codes, size_t blockSize = 255)
{
    Bytes out{static_cast<uint8_t>(minCodeSize)};
    test::Append(out, test::SubBlocks(test::PackCodes(codes), blockSize));
    return out;
}

// A byte sequence after the image data that must never be read as part of it: a
// sub-block announcing two bytes, then the trailer.
const Bytes Tail{0x02, 0xFF, 0xFF, 0x3B};

TEST(LZWDecoder, TwoPixelWorkedExample)
{
    const Bytes data{
        0x02,        // minimum code size 2: clear 4, end 5, codes of 3 bits
        0x02,        // one sub-block of two bytes:
        0x4C, 0x0A,  //   bits 001|100|100|1 01|0000 -> codes 4 (clear), 1, 1, 5 (end)
        0x00,        // terminator
    };
    const Decoded d = Decode(data, 2, 1, false, -1, Tail);
    EXPECT_EQ(d.pixels, (Bytes{1, 1}));
    EXPECT_EQ(d.position, 5);  // the end code was consumed by the finishing request
    EXPECT_TRUE(d.warnings.empty());
}

struct CodeCase {
    const char* name;
    int minCodeSize;
    Codes codes;
    int width;
    Bytes expected;
};

class LZWCodeCases : public ::testing::TestWithParam<CodeCase> {};

TEST_P(LZWCodeCases, DecodesToPixels)
{
    const CodeCase& c = GetParam();
    const Bytes data = Data(c.minCodeSize, c.codes);
    const Decoded d = Decode(data, c.width, 1, false, -1, Tail);
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.pixels, c.expected);
    EXPECT_EQ(d.position, static_cast<int64_t>(data.size())) << "the stream must stand right after the terminator";
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LZWCodeCases,
    ::testing::Values(
        // The decoder starts with a fresh table whether or not a clear code comes first.
        CodeCase{"NoLeadingClear", 2, {{1, 3}, {2, 3}, {5, 3}}, 2, {1, 2}},
        CodeCase{"ManyLeadingClears", 2, {{4, 3}, {4, 3}, {4, 3}, {3, 3}, {0, 3}, {5, 3}}, 2, {3, 0}},
        // Code 6 is the entry being defined: previous string (1) plus its first char.
        CodeCase{"KwKwK", 2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, 3, {1, 1, 1}},
        // Code 7 lies beyond the next free entry (6): decoded the same way.
        CodeCase{"CodeBeyondNextFree", 2, {{4, 3}, {2, 3}, {7, 3}, {5, 3}}, 3, {2, 2, 2}},
        // Entries 6 = (1,2) and 7 = (2,1); entry 7 makes the width grow to 4 bits.
        CodeCase{"WidthGrowsAtEight", 2, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {7, 4}, {5, 4}}, 6, {1, 2, 1, 2, 2, 1}},
        // A clear code in the middle resets the table and the width.
        CodeCase{"ClearInTheMiddle", 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {3, 3}, {1, 3}, {5, 3}}, 5,
                 {1, 2, 3, 3, 1}},
        // Minimum code size 0: clear 1, end 2, one-bit codes growing at once.
        CodeCase{"MinCodeSizeZero", 0, {{1, 1}, {0, 1}, {0, 1}, {2, 2}}, 2, {0, 0}},
        // Minimum code size 1 (a two-colour checkerboard row): clear 2, end 3; the code after
        // the clear is two bits wide, every later one three, as giflib reads them.
        CodeCase{"MinCodeSizeOne", 1, {{2, 2}, {0, 2}, {1, 3}, {4, 3}, {3, 3}}, 4, {0, 1, 0, 1}},
        // No end code, and the last code ends on the data's last bit, in a frame wider
        // than the data: that code is still read.
        CodeCase{"LastCodeEndsTheData", 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}}, 20,
                 {1, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LZWDecoder, WidthStaysAtTwelveOnceTheTableIsFull)
{
    // Pseudo-random pixels fill the 4096 entries after a few thousand codes; the encoder
    // then goes on with 12-bit codes and no new entries, and no clear code.
    Bytes pixels(30000);
    uint32_t x = 12345;
    for (auto& p : pixels) {
        x = x * 1103515245 + 12345;
        p = static_cast<uint8_t>((x >> 16) & 0x3F);  // 64 colours: strings get long too
    }
    const Codes codes = test::EncodeLZW(pixels, 6, /*clearWhenFull=*/false);
    int clears = 0, twelveBitCodes = 0;
    for (auto [code, width] : codes) {
        clears += code == 64;
        twelveBitCodes += width == 12;
    }
    ASSERT_EQ(clears, 1) << "the input must exercise a full table without clearing";
    ASSERT_GT(twelveBitCodes, 1000);
    Bytes data{6};
    test::Append(data, test::SubBlocks(test::PackCodes(codes)));
    const Decoded d = Decode(data, 300, 100, false, -1, Tail);
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.pixels, pixels);
    EXPECT_EQ(d.position, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoder, RoundTripsAcrossSubBlockSizes)
{
    Bytes pixels(5000);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * i / 7) % 256);
    for (size_t blockSize : {1u, 2u, 3u, 7u, 100u, 255u}) {
        Bytes data{8};
        test::Append(data, test::SubBlocks(test::PackCodes(test::EncodeLZW(pixels, 8)), blockSize));
        const Decoded d = Decode(data, 100, 50, false, -1, Tail);
        EXPECT_EQ(d.pixels, pixels) << "sub-blocks of " << blockSize << " bytes";
        EXPECT_EQ(d.position, static_cast<int64_t>(data.size())) << "sub-blocks of " << blockSize << " bytes";
        EXPECT_TRUE(d.warnings.empty()) << "sub-blocks of " << blockSize << " bytes";
    }
}

// The order in which the rows of an interlaced frame of a given height arrive.
std::vector<int> ArrivalOrder(int height)
{
    std::vector<int> rows;
    for (int r = 0; r < height; r += 8) rows.push_back(r);
    for (int r = 4; r < height; r += 8) rows.push_back(r);
    for (int r = 2; r < height; r += 4) rows.push_back(r);
    for (int r = 1; r < height; r += 2) rows.push_back(r);
    return rows;
}

TEST(LZWDecoder, InterlaceRowOrder)
{
    struct {
        int height;
        std::vector<int> rows;
    } cases[] = {
        {1, {0}},
        {2, {0, 1}},  // passes 1 and 2 have no row
        {5, {0, 4, 2, 1, 3}},
        {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}},
    };
    for (const auto& c : cases) {
        TInterlaceRows rows(c.height);
        std::vector<int> got;
        for (int i = 0; i < c.height; ++i, rows.Next()) got.push_back(rows.Row());
        EXPECT_EQ(got, c.rows) << "height " << c.height;
    }
}

TEST(LZWDecoder, InterlacedRowsLandInPlace)
{
    for (int height : {1, 2, 3, 5, 8, 13, 37, 200}) {
        // Row k of the data holds the value k in both its pixels; after decoding, row r
        // must hold the number of the data row that arrives at r. Data that ends early
        // (half the rows and one pixel more) leaves the transparent index everywhere else.
        const int width = 2;
        const uint8_t fill = 250;
        for (int given : {width * height, width * (height / 2) + 1}) {
            Bytes stream;
            for (int i = 0; i < given; ++i) stream.push_back(static_cast<uint8_t>(i / width));
            const Decoded d = Decode(test::ImageData(stream, 8), width, height, true, fill);
            const std::vector<int> order = ArrivalOrder(height);
            Bytes expected(static_cast<size_t>(width * height), fill);
            for (int i = 0; i < given; ++i)
                expected[static_cast<size_t>(order[static_cast<size_t>(i / width)] * width + i % width)] = static_cast<uint8_t>(i / width);
            EXPECT_EQ(d.pixels, expected) << "height " << height << ", " << given << " pixels given";
        }
    }
}

TEST(LZWDecoder, DataEndingHalfWayKeepsTheFillValue)
{
    // Four of eight pixels, then the terminator: no end code.
    const Codes codes{{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}};
    const Bytes data = Data(2, codes);
    for (int transparent : {-1, 3}) {
        const Decoded d = Decode(data, 4, 2, false, transparent, Tail);
        const uint8_t fill = transparent < 0 ? 0 : 3;
        EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 1, fill, fill, fill, fill}));
        EXPECT_EQ(d.position, static_cast<int64_t>(data.size()));
        ASSERT_FALSE(d.warnings.empty());
        for (const auto& w : d.warnings) EXPECT_EQ(w, "Decoder bit buffer under-run");
    }
}

TEST(LZWDecoder, SubBlockLongerThanTheStream)
{
    // 200 distinct pixel pairs: one 9-bit code per pixel. The sub-block announces 200
    // bytes, only 50 follow: 400 bits hold the clear code and 43 whole codes.
    Bytes pixels(200);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 % 256);
    const Bytes packed = test::PackCodes(test::EncodeLZW(pixels, 8));
    Bytes data{8, 200};
    data.insert(data.end(), packed.begin(), packed.begin() + 50);
    const Decoded d = Decode(data, 200, 1);
    EXPECT_EQ(d.warnings, (std::vector<std::string>{"Premature end of data"}));
    Bytes expected(200, 0);
    std::copy(pixels.begin(), pixels.begin() + 43, expected.begin());
    EXPECT_EQ(d.pixels, expected);
    EXPECT_EQ(d.position, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoder, CircularEntries)
{
    // Entry 7 gets the previous code 7 as its prefix: a self-reference, met at code 7.
    const Codes self{{4, 3}, {1, 3}, {7, 3}, {6, 3}, {7, 4}, {5, 4}};
    // Entries 11 -> 12 and 12 -> 11 (each defined from an invalid code): a two-step loop
    // that never reaches a root code.
    const Codes loop{{8, 4}, {1, 4}, {12, 4}, {11, 4}, {12, 4}, {11, 4}, {9, 4}};
    EXPECT_EQ(Decode(Data(2, self), 20, 1).error, "Circular decoder table entry");
    EXPECT_EQ(Decode(Data(3, loop), 20, 1).error, "Circular decoder table entry");
}

TEST(LZWDecoder, StreamStandsAfterTheTerminatorWhateverEndedThePixels)
{
    struct {
        const char* name;
        Codes codes;
        int pixels;
        Bytes expected;
        bool underRun;
    } cases[] = {
        // End code after the first pixel: the rest of the data is skipped.
        {"EarlyEndCode", {{4, 3}, {1, 3}, {5, 3}, {2, 3}, {3, 3}}, 4, {1, 0, 0, 0}, false},
        // Two codes more than the frame needs before the end code.
        {"ExtraCodes", {{4, 3}, {1, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}}, 2, {1, 1}, false},
        // No end code at all.
        // No end code at all (the padding bits of the last byte make one more code).
        {"NoEndCode", {{4, 3}, {1, 3}, {1, 3}}, 2, {1, 1}, false},
    };
    for (const auto& c : cases) {
        // Spread over sub-blocks of one byte, so that skipping has blocks to skip.
        const Bytes data = Data(2, c.codes, 1);
        const Decoded d = Decode(data, c.pixels, 1, false, -1, Tail);
        EXPECT_EQ(d.pixels, c.expected) << c.name;
        EXPECT_EQ(d.position, static_cast<int64_t>(data.size())) << c.name;
        EXPECT_EQ(!d.warnings.empty(), c.underRun) << c.name;
    }
}

TEST(LZWDecoder, MinimumCodeSizeAboveElevenLeavesTheFill)
{
    for (int minCodeSize : {12, 13, 31, 32, 200, 255}) {
        const Bytes data{static_cast<uint8_t>(minCodeSize), 3, 0xFF, 0xFF, 0xFF, 1, 0xAA, 0};
        const Decoded d = Decode(data, 3, 1, false, 2, Tail);
        EXPECT_EQ(d.error, "");
        EXPECT_EQ(d.pixels, (Bytes{2, 2, 2})) << minCodeSize;
        EXPECT_EQ(d.warnings, (std::vector<std::string>{"Invalid LZW minimum code size"}));
        EXPECT_EQ(d.position, static_cast<int64_t>(data.size()));
    }
}

TEST(LZWDecoder, MissingOrCutData)
{
    // No minimum code size byte: the frame keeps its fill, nothing is read.
    Decoded d = Decode({}, 2, 2, false, 7);
    EXPECT_EQ(d.pixels, (Bytes{7, 7, 7, 7}));
    EXPECT_TRUE(d.warnings.empty());
    // The stream ends after a whole sub-block, before the terminator: quietly stops.
    const Bytes pixels{1, 2, 3, 0, 1, 2, 3, 0};
    const Bytes full = test::ImageData(pixels, 2);
    const Bytes cut(full.begin(), full.begin() + 2 + full[1]);
    d = Decode(cut, 8, 1);
    EXPECT_EQ(d.pixels, pixels);
    EXPECT_EQ(d.position, static_cast<int64_t>(cut.size()));
    EXPECT_TRUE(d.warnings.empty());
}

TEST(LZWDecoder, TableSizeElevenUsesTwelveBitCodes)
{
    Bytes pixels(3000);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 31) ^ (i >> 3));
    const Decoded d = Decode(test::ImageData(pixels, 11), 3000, 1);
    EXPECT_EQ(d.pixels, pixels);
}

}  // namespace
}  // namespace galimo
