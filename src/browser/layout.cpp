#include "browser/layout.h"

#include "platform/core/arith.h"

#include <algorithm>
#include <cmath>

namespace galimo {

Size2 ThumbnailSize(float ratio)
{
    const long double r = ratio;
    if (ratio >= 1.0f) return {static_cast<int>(Truncate(120.0L / r)), ThumbnailBox};
    return {ThumbnailBox, static_cast<int>(Truncate(r * 120.0L))};
}

Point2 ThumbnailPosition(int n, Size2 size)
{
    return {ThumbnailCentreX - Div(size.Width, 2), (ThumbnailPitch * n + ThumbnailCentreY0) - Div(size.Height, 2)};
}

Size2 FitPhoto(float aspectRatio, int wv, int hv)
{
    const long double r = aspectRatio;
    if (aspectRatio >= 1.0f) {
        const int h = hv - 10;
        return {static_cast<int>(RoundEven(h / r)), h};
    }
    const int w = wv - 10;
    return {w, static_cast<int>(RoundEven(w * r))};
}

bool ShowsNatural(int naturalWidth, int naturalHeight, int wv, int hv) { return hv > naturalHeight && wv > naturalWidth; }

Point2 PlacePhoto(Size2 photo, int wv, int hv)
{
    return {std::max(0, Div(wv, 2) - Div(photo.Width, 2)), std::max(0, Div(hv, 2) - Div(photo.Height, 2))};
}

int CentredScrollPosition(int photoExtent, int viewExtent, int maxPosition)
{
    return std::clamp(Div(photoExtent - viewExtent, 2), 0, std::max(0, maxPosition));
}

PhotoPlacement PlacePhotoInView(Size2 natural, Size2 view, TZoom zoomMode, double scale)
{
    const Size2 pixels = ScreenPixels(view, scale);
    PhotoPlacement p;
    p.Size = zoomMode == ZoomNatural ? natural
                                     : FitPhoto(Ratio(natural.Height, natural.Width), pixels.Width, pixels.Height);
    p.At = PlacePhoto(p.Size, pixels.Width, pixels.Height);
    p.Range = p.Size;
    if (zoomMode == ZoomNatural)  // never past the photo's own extent; the bars clamp further
        p.Scroll = {CentredScrollPosition(p.Size.Width, pixels.Width, p.Size.Width),
                    CentredScrollPosition(p.Size.Height, pixels.Height, p.Size.Height)};
    if (scale == 1.0) return p;
    const auto units = [scale](int px) { return static_cast<int>(std::lround(px / scale)); };
    const auto covering = [scale](int px) { return static_cast<int>(std::ceil(px / scale - 1e-9)); };
    p.Size = zoomMode == ZoomNatural ? Size2{covering(p.Size.Width), covering(p.Size.Height)}
                                     : Size2{units(p.Size.Width), units(p.Size.Height)};
    p.At = {units(p.At.X), units(p.At.Y)};
    p.Range = p.Size;
    p.Scroll = {units(p.Scroll.X), units(p.Scroll.Y)};
    return p;
}

Size2 ScreenPixels(Size2 formUnits, double scale)
{
    if (scale == 1.0) return formUnits;
    return {static_cast<int>(std::lround(formUnits.Width * scale)), static_cast<int>(std::lround(formUnits.Height * scale))};
}

int ScrollPositionShowing(int top, int bottom, int position, int visible)
{
    if (top < position || bottom - top > visible) return top;
    if (bottom > position + visible) return bottom - visible;
    return position;
}

}  // namespace galimo
