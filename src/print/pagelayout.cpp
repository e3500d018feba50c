#include "print/pagelayout.h"

#include "platform/core/arith.h"

#include <cmath>
#include <stdexcept>

namespace galimo {

namespace {

// Cut lines are preview pixels; the sheet lies at (0, 43) landscape or (43, 0) portrait.
constexpr TCutLine Line(int x0, int y0, int x1, int y1) { return {{x0, y0}, {x1, y1}}; }

const TSlotTable kFullLandscape{296, 210, 1, {145}, {105}, 0, {}};
const TSlotTable kFullPortrait{210, 296, 1, {105}, {145}, 0, {}};
const TSlotTable kHalfLandscape{148, 210, 2, {74, 222}, {105, 105}, 1, {Line(148, 43, 148, 253)}};
const TSlotTable kHalfPortrait{210, 148, 2, {105, 105}, {74, 222}, 1, {Line(43, 148, 253, 148)}};
const TSlotTable kQuarterLandscape{148, 105, 4, {74, 222, 74, 222}, {52, 52, 157, 157},
                                   2, {Line(148, 43, 148, 253), Line(0, 148, 296, 148)}};
const TSlotTable kQuarterPortrait{105, 148, 4, {52, 157, 52, 157}, {74, 74, 222, 222},
                                  2, {Line(148, 0, 148, 296), Line(43, 148, 253, 148)}};

}  // namespace

TSheetOrientation SheetOrientation(int sizeIndex, float aspectRatio)
{
    const bool taller = aspectRatio > 1.0f;
    // A half page is the full sheet turned a quarter: its slots lie the other way round.
    if (sizeIndex == SizeHalf) return taller ? TSheetOrientation::Landscape : TSheetOrientation::Portrait;
    return taller ? TSheetOrientation::Portrait : TSheetOrientation::Landscape;
}

const TSlotTable& Slots(int sizeIndex, TSheetOrientation orientation)
{
    const bool landscape = orientation == TSheetOrientation::Landscape;
    switch (sizeIndex) {
    case SizeFull: return landscape ? kFullLandscape : kFullPortrait;
    case SizeHalf: return landscape ? kHalfLandscape : kHalfPortrait;
    case SizeQuarter: return landscape ? kQuarterLandscape : kQuarterPortrait;
    }
    throw std::invalid_argument("taille de page inconnue : " + std::to_string(sizeIndex));
}

TSheetPoint SheetOffset(TSheetOrientation orientation)
{
    constexpr int margin = (PreviewSize - SheetShortSide) / 2;  // 43
    return orientation == TSheetOrientation::Landscape ? TSheetPoint{0, margin} : TSheetPoint{margin, 0};
}

TSheetRect SheetOnPreview(TSheetOrientation orientation)
{
    const TSheetPoint o = SheetOffset(orientation);
    const bool landscape = orientation == TSheetOrientation::Landscape;
    const int w = landscape ? SheetLongSide : SheetShortSide;
    const int h = landscape ? SheetShortSide : SheetLongSide;
    return {o.X, o.Y, o.X + w, o.Y + h};
}

TPrintSize PrintSizeForMargin(int slotWidth, int slotHeight, int margin, float aspectRatio)
{
    TPrintSize s;
    s.PrintWidth = slotWidth - 2 * margin;
    const long double height = static_cast<long double>(s.PrintWidth) * static_cast<long double>(aspectRatio);
    // A picture without a size has no ratio to speak of: it gets no height rather than an
    // undefined conversion.
    s.PrintHeight = std::isfinite(height) ? static_cast<int>(RoundEven(height)) : 0;
    s.VerticalMargin = Div(slotHeight - s.PrintHeight, 2);
    return s;
}

TSheetRect PhotoRect(int slotX, int slotY, int printWidth, int printHeight)
{
    const int hw = Div(printWidth, 2);
    const int hh = Div(printHeight, 2);
    return {slotX - hw, slotY - hh, slotX + hw, slotY + hh};
}

bool PhotoPrints(int printWidth, int printHeight) { return !PhotoRect(0, 0, printWidth, printHeight).Empty(); }

int NextSlot(int slotIndex, int sizeIndex)
{
    const int next = slotIndex + 1;
    switch (sizeIndex) {
    case SizeHalf: return next % 2;
    case SizeQuarter: return next % 4;
    default: return 0;
    }
}

std::string FormatTenths(int n)
{
    const std::string digits = std::to_string(n);
    return digits.substr(0, digits.size() - 1) + "," + digits.back();
}

TPrinterScale PrinterScale(TSheetOrientation orientation, int pageWidth, int pageHeight)
{
    if (orientation == TSheetOrientation::Landscape)
        return {Ratio(pageWidth, SheetLongSide), Ratio(pageHeight, SheetShortSide)};
    return {Ratio(pageWidth, SheetShortSide), Ratio(pageHeight, SheetLongSide)};
}

TSheetRect ScaleToPrinter(const TSheetRect& r, TPrinterScale scale)
{
    const auto scaled = [](int mm, float factor) {
        return static_cast<int>(RoundEven(static_cast<long double>(mm) * static_cast<long double>(factor)));
    };
    return {scaled(r.Left, scale.X), scaled(r.Top, scale.Y), scaled(r.Right, scale.X), scaled(r.Bottom, scale.Y)};
}

}  // namespace galimo
