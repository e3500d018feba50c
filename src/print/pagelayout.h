// Page layout of the print panel, in whole millimetres of a sheet modelled as 296 x 210 mm
// (in either orientation) and previewed at one pixel per millimetre on a 296 x 296 surface.
// Plain arithmetic, no toolkit: the panel and the printing call it and only apply results.
#pragma once

#include <array>
#include <string>

namespace galimo {

enum class TSheetOrientation { Landscape, Portrait };

// Size choices of the panel, as the radio buttons give them.
constexpr int SizeFull = 0;
constexpr int SizeHalf = 1;
constexpr int SizeQuarter = 2;

constexpr int SheetLongSide = 296;
constexpr int SheetShortSide = 210;
constexpr int PreviewSize = 296;

// A rectangle with right and bottom exclusive (millimetres, preview or device pixels).
struct TSheetRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Nothing to draw: zero or negative extent along either axis.
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    TSheetRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    bool operator==(const TSheetRect&) const = default;
};

struct TSheetPoint {
    int X = 0, Y = 0;
    bool operator==(const TSheetPoint&) const = default;
};

// A dashed cut line of the preview, drawn from From to To.
struct TCutLine {
    TSheetPoint From, To;
    bool operator==(const TCutLine&) const = default;
};

// The slots of one size on one sheet orientation.
struct TSlotTable {
    int Width = 0, Height = 0;       // slot size in mm
    int Count = 0;                   // 1, 2 or 4 slots
    std::array<int, 4> X{}, Y{};     // slot centres in mm from the sheet's left and top edges
    int LineCount = 0;               // 0, 1 or 2 cut lines
    std::array<TCutLine, 2> Lines{}; // in preview pixels, in drawing order
};

// Which way the sheet lies for a size and the picture's height / width ratio. A square
// picture (ratio exactly 1) counts as not taller than wide.
TSheetOrientation SheetOrientation(int sizeIndex, float aspectRatio);

// The slot table of a size (SizeFull, SizeHalf, SizeQuarter) and orientation. Raises
// std::invalid_argument for another size.
const TSlotTable& Slots(int sizeIndex, TSheetOrientation orientation);

// The sheet on the preview, and the preview position of its top-left corner.
TSheetRect SheetOnPreview(TSheetOrientation orientation);
TSheetPoint SheetOffset(TSheetOrientation orientation);

// The photo's printed size for a horizontal margin in a slot of slotWidth x slotHeight.
struct TPrintSize {
    int PrintWidth = 0;
    int PrintHeight = 0;
    int VerticalMargin = 0;  // negative when the photo is taller than its slot
    bool operator==(const TPrintSize&) const = default;
};
TPrintSize PrintSizeForMargin(int slotWidth, int slotHeight, int margin, float aspectRatio);

// The photo rectangle around a slot centre, in mm relative to the sheet. Each size is
// halved with truncation, so an odd size loses one millimetre.
TSheetRect PhotoRect(int slotX, int slotY, int printWidth, int printHeight);

// Whether a photo of this printed size puts anything on the sheet: each size is halved
// around the slot centre, so a photo under 2 mm either way is an empty rectangle, on the
// preview and on the page alike.
bool PhotoPrints(int printWidth, int printHeight);

// The slot after slotIndex for a size: full pages have one slot, half pages two, quarter
// pages four, visited in order and round again.
int NextSlot(int slotIndex, int sizeIndex);

// A whole number of millimetres written as centimetres with a decimal comma and no
// leading zero: 296 -> "29,6", 5 -> ",5", -12 -> "-1,2".
std::string FormatTenths(int n);

// Printer device pixels per millimetre of sheet: the printable area stands for the whole
// modelled sheet of the orientation, each direction with its own single-precision factor.
struct TPrinterScale {
    float X = 0, Y = 0;
};
TPrinterScale PrinterScale(TSheetOrientation orientation, int pageWidth, int pageHeight);

// A sheet rectangle in device pixels of the printable area (no preview offset), each edge
// rounded half to even.
TSheetRect ScaleToPrinter(const TSheetRect& sheetRect, TPrinterScale scale);

}  // namespace galimo
