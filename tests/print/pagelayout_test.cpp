// Layout arithmetic of the print panel against the worked layouts, ties and cycles.
#include "platform/core/arith.h"
#include "print/pagelayout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace galimo {

std::ostream& operator<<(std::ostream& os, const TSheetRect& r)
{
    return os << "(" << r.Left << ", " << r.Top << ")-(" << r.Right << ", " << r.Bottom << ")";
}

namespace {

constexpr auto L = TSheetOrientation::Landscape;
constexpr auto P = TSheetOrientation::Portrait;

struct WorkedLayout {
    int pictureWidth, pictureHeight;
    int size, margin, slot;
    TSheetOrientation sheet;
    int printWidth, printHeight, verticalMargin;
    const char* dimensions;
    TSheetRect preview;
};

// Picture, size, margin, slot -> sheet, printed size, vertical margin, label, preview rectangle.
const WorkedLayout kWorked[] = {
    {1600, 1200, SizeFull, 0, 0, L, 296, 222, -6, "29,6 cm X 22,2 cm.", {-3, 37, 293, 259}},
    {800, 600, SizeFull, 20, 0, L, 256, 192, 9, "25,6 cm X 19,2 cm.", {17, 52, 273, 244}},
    {1200, 1600, SizeHalf, 10, 0, L, 128, 171, 19, "12,8 cm X 17,1 cm.", {10, 63, 138, 233}},
    {1200, 1600, SizeHalf, 10, 1, L, 128, 171, 19, "12,8 cm X 17,1 cm.", {158, 63, 286, 233}},
    {200, 300, SizeQuarter, 0, 0, P, 105, 158, -5, "10,5 cm X 15,8 cm.", {43, -5, 147, 153}},
    {200, 300, SizeQuarter, 1, 3, P, 103, 154, -3, "10,3 cm X 15,4 cm.", {149, 145, 251, 299}},
    {640, 480, SizeQuarter, 0, 3, L, 148, 111, -3, "14,8 cm X 11,1 cm.", {148, 145, 296, 255}},
    {100, 100, SizeFull, 0, 0, L, 296, 296, -43, "29,6 cm X 29,6 cm.", {-3, 0, 293, 296}},
    {100, 100, SizeHalf, 0, 0, P, 210, 210, -31, "21,0 cm X 21,0 cm.", {43, -31, 253, 179}},
};

class WorkedLayoutTest : public testing::TestWithParam<WorkedLayout> {};

TEST_P(WorkedLayoutTest, MatchesTheWorkedRow)
{
    const WorkedLayout& w = GetParam();
    const float ratio = Ratio(w.pictureHeight, w.pictureWidth);
    const TSheetOrientation sheet = SheetOrientation(w.size, ratio);
    EXPECT_EQ(sheet, w.sheet);

    const TSlotTable& slots = Slots(w.size, sheet);
    const TPrintSize s = PrintSizeForMargin(slots.Width, slots.Height, w.margin, ratio);
    EXPECT_EQ(s, (TPrintSize{w.printWidth, w.printHeight, w.verticalMargin}));
    EXPECT_EQ(FormatTenths(s.PrintWidth) + " cm X " + FormatTenths(s.PrintHeight) + " cm.", w.dimensions);

    ASSERT_LT(w.slot, slots.Count);
    const TSheetPoint o = SheetOffset(sheet);
    const TSheetRect r = PhotoRect(slots.X[w.slot], slots.Y[w.slot], s.PrintWidth, s.PrintHeight).Offset(o.X, o.Y);
    EXPECT_EQ(r, w.preview);
}

INSTANTIATE_TEST_SUITE_P(Rows, WorkedLayoutTest, testing::ValuesIn(kWorked));

TEST(SheetOrientation, FollowsTheSizeAndTheShape)
{
    struct Row {
        int size;
        float ratio;
        TSheetOrientation expected;
    } rows[] = {
        {SizeFull, 1.5f, P},    {SizeFull, 0.75f, L},    {SizeFull, 1.0f, L},
        {SizeHalf, 1.5f, L},    {SizeHalf, 0.75f, P},    {SizeHalf, 1.0f, P},
        {SizeQuarter, 1.5f, P}, {SizeQuarter, 0.75f, L}, {SizeQuarter, 1.0f, L},
        // The smallest float above 1 is taller than wide.
        {SizeFull, 1.00000012f, P},
    };
    for (const Row& r : rows) EXPECT_EQ(SheetOrientation(r.size, r.ratio), r.expected) << r.size << " " << r.ratio;
}

TEST(Slots, SizesCentresAndCutLines)
{
    struct Row {
        int size;
        TSheetOrientation sheet;
        int w, h, count;
        std::array<int, 4> x, y;
        int lines;
        std::array<TCutLine, 2> cut;
    } rows[] = {
        {SizeFull, L, 296, 210, 1, {145}, {105}, 0, {}},
        {SizeFull, P, 210, 296, 1, {105}, {145}, 0, {}},
        {SizeHalf, L, 148, 210, 2, {74, 222}, {105, 105}, 1, {{{{148, 43}, {148, 253}}}}},
        {SizeHalf, P, 210, 148, 2, {105, 105}, {74, 222}, 1, {{{{43, 148}, {253, 148}}}}},
        {SizeQuarter, L, 148, 105, 4, {74, 222, 74, 222}, {52, 52, 157, 157}, 2,
         {{{{148, 43}, {148, 253}}, {{0, 148}, {296, 148}}}}},
        {SizeQuarter, P, 105, 148, 4, {52, 157, 52, 157}, {74, 74, 222, 222}, 2,
         {{{{148, 0}, {148, 296}}, {{43, 148}, {253, 148}}}}},
    };
    for (const Row& r : rows) {
        const TSlotTable& t = Slots(r.size, r.sheet);
        SCOPED_TRACE(testing::Message() << "size " << r.size << (r.sheet == L ? " landscape" : " portrait"));
        EXPECT_EQ(t.Width, r.w);
        EXPECT_EQ(t.Height, r.h);
        ASSERT_EQ(t.Count, r.count);
        for (int k = 0; k < r.count; ++k) {
            EXPECT_EQ(t.X[k], r.x[k]) << k;
            EXPECT_EQ(t.Y[k], r.y[k]) << k;
        }
        ASSERT_EQ(t.LineCount, r.lines);
        for (int k = 0; k < r.lines; ++k) EXPECT_EQ(t.Lines[k], r.cut[k]) << k;
    }
    EXPECT_THROW(Slots(3, L), std::invalid_argument);
    EXPECT_THROW(Slots(-1, P), std::invalid_argument);
}

TEST(Sheet, OnThePreview)
{
    EXPECT_EQ(SheetOnPreview(L), (TSheetRect{0, 43, 296, 253}));
    EXPECT_EQ(SheetOnPreview(P), (TSheetRect{43, 0, 253, 296}));
    EXPECT_EQ(SheetOffset(L), (TSheetPoint{0, 43}));
    EXPECT_EQ(SheetOffset(P), (TSheetPoint{43, 0}));
}

TEST(PrintSize, TiesGoToTheEvenNeighbour)
{
    // Ratio 1.5 in a quarter-page portrait slot (105 x 148).
    EXPECT_EQ(PrintSizeForMargin(105, 148, 0, 1.5f).PrintHeight, 158);  // 157.5
    EXPECT_EQ(PrintSizeForMargin(105, 148, 1, 1.5f).PrintHeight, 154);  // 154.5
    EXPECT_EQ(PrintSizeForMargin(105, 148, 1, 1.5f).PrintWidth, 103);
    // Negative products tie to even as well: -1.5 -> -2, -4.5 -> -4.
    EXPECT_EQ(PrintSizeForMargin(105, 148, 53, 1.5f).PrintHeight, -2);
    EXPECT_EQ(PrintSizeForMargin(105, 148, 54, 1.5f).PrintHeight, -4);
}

TEST(PrintSize, NarrowQuarterPages)
{
    // Margin 50 on a portrait quarter page leaves 5 mm: the label starts with a comma.
    const TPrintSize five = PrintSizeForMargin(105, 148, 50, 1.5f);
    EXPECT_EQ(five.PrintWidth, 5);
    EXPECT_EQ(FormatTenths(five.PrintWidth), ",5");
    // From margin 53 the width is negative, and the height and vertical margin follow.
    const TPrintSize neg = PrintSizeForMargin(105, 148, 60, 1.5f);
    EXPECT_EQ(neg, (TPrintSize{-15, -22, 85}));
    // Such sizes (and a 1 mm width, which halves to nothing) give an empty rectangle.
    EXPECT_TRUE(PhotoRect(52, 74, neg.PrintWidth, neg.PrintHeight).Empty());
    EXPECT_TRUE(PhotoRect(52, 74, 1, 2).Empty());
    EXPECT_FALSE(PhotoRect(52, 74, 2, 3).Empty());
}

TEST(PrintSize, PictureWithoutRatioGetsNoHeight)
{
    const float nan = Ratio(0, 0);
    const float inf = Ratio(1, 0);
    EXPECT_EQ(PrintSizeForMargin(296, 210, 0, nan), (TPrintSize{296, 0, 105}));
    EXPECT_EQ(PrintSizeForMargin(296, 210, 0, inf).PrintHeight, 0);
}

TEST(PhotoRect, OddSizesLoseAMillimetre)
{
    EXPECT_EQ(PhotoRect(52, 74, 105, 158), (TSheetRect{0, -5, 104, 153}));
    EXPECT_EQ(PhotoRect(52, 74, 105, 158).Width(), 104);
    EXPECT_EQ(PhotoRect(145, 105, 296, 222), (TSheetRect{-3, -6, 293, 216}));
}

TEST(FormatTenths, Texts)
{
    const std::pair<int, const char*> rows[] = {
        {296, "29,6"}, {210, "21,0"}, {5, ",5"}, {0, ",0"}, {10, "1,0"},
        {-5, "-,5"},   {-12, "-1,2"}, {-296, "-29,6"},
    };
    for (const auto& [n, text] : rows) EXPECT_EQ(FormatTenths(n), text) << n;
}

TEST(NextSlot, Cycles)
{
    struct Row {
        int size;
        std::array<int, 5> visits;  // from slot 0
    } rows[] = {
        {SizeFull, {0, 0, 0, 0, 0}},
        {SizeHalf, {1, 0, 1, 0, 1}},
        {SizeQuarter, {1, 2, 3, 0, 1}},
    };
    for (const Row& r : rows) {
        int slot = 0;
        for (int expected : r.visits) {
            slot = NextSlot(slot, r.size);
            EXPECT_EQ(slot, expected) << "size " << r.size;
        }
    }
    // A slot left over from a larger size wraps into range.
    EXPECT_EQ(NextSlot(3, SizeHalf), 0);
    EXPECT_EQ(NextSlot(2, SizeHalf), 1);
    EXPECT_EQ(NextSlot(3, SizeFull), 0);
}

struct ScaleRow {
    TSheetOrientation sheet;
    int pageWidth, pageHeight;
    float scaleX, scaleY;
    TSheetRect sheetRect, printed;
};

const ScaleRow kScaling[] = {
    // 1600 x 1200 on a full landscape page overruns the printable area.
    {L, 2960, 2100, 10.0f, 10.0f, {-3, -6, 293, 216}, {-30, -60, 2930, 2160}},
    // 1200 x 1600, margin 15, full portrait page.
    {P, 4200, 5920, 20.0f, 20.0f, {15, 25, 195, 265}, {300, 500, 3900, 5300}},
    // 740 / 296 is exactly 2.5: 732.5 -> 732 and -7.5 -> -8.
    {L, 740, 525, 2.5f, 2.5f, {-3, -6, 293, 216}, {-8, -15, 732, 540}},
    // Unequal factors: each direction scales on its own.
    {L, 2960, 4200, 10.0f, 20.0f, {17, 9, 273, 201}, {170, 180, 2730, 4020}},
};

class PrinterScaleTest : public testing::TestWithParam<ScaleRow> {};

TEST_P(PrinterScaleTest, ScalesTheSheetRectangle)
{
    const ScaleRow& r = GetParam();
    const TPrinterScale s = PrinterScale(r.sheet, r.pageWidth, r.pageHeight);
    EXPECT_EQ(s.X, r.scaleX);
    EXPECT_EQ(s.Y, r.scaleY);
    EXPECT_EQ(ScaleToPrinter(r.sheetRect, s), r.printed);
}

INSTANTIATE_TEST_SUITE_P(Rows, PrinterScaleTest, testing::ValuesIn(kScaling));

TEST(PrinterScale, FactorsAreSinglePrecision)
{
    // 4961 / 296 is not a float; the product uses the float factor, not the exact quotient.
    const TPrinterScale s = PrinterScale(L, 4961, 3508);
    EXPECT_EQ(s.X, static_cast<float>(4961.0L / 296.0L));
    EXPECT_EQ(s.Y, static_cast<float>(3508.0L / 210.0L));
    const TSheetRect r = ScaleToPrinter({17, 52, 273, 244}, s);
    EXPECT_EQ(r.Left, RoundEven(17.0L * s.X));
    EXPECT_EQ(r.Bottom, RoundEven(244.0L * s.Y));
}

}  // namespace
}  // namespace galimo
