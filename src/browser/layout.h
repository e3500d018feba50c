// The browser's layout arithmetic, free of Qt: thumbnail sizes and places in the strip,
// the photo's fit, placement and scroll positions in the view.
#pragma once

namespace galimo {

struct Size2 {
    int Width = 0, Height = 0;
    bool operator==(const Size2&) const = default;
};
struct Point2 {
    int X = 0, Y = 0;
    bool operator==(const Point2&) const = default;
};

// Thumbnail n of the strip: long side 120, centred on (61, 130 n + 60).
constexpr int ThumbnailBox = 120;
constexpr int ThumbnailPitch = 130;
constexpr int ThumbnailCentreX = 61;
constexpr int ThumbnailCentreY0 = 60;

// The thumbnail's size for a picture of ratio r = height / width (single precision):
// the long side 120, the other truncated.
Size2 ThumbnailSize(float ratio);
// Its top-left corner for file n.
Point2 ThumbnailPosition(int n, Size2 size);

// The photo fitted to a view of outer size (wv, hv): the long side (by the picture's own
// shape) 10 pixels short of the view's, the other rounded half to even.
Size2 FitPhoto(float aspectRatio, int wv, int hv);
// A photo is shown at natural size only when smaller than the view both ways.
bool ShowsNatural(int naturalWidth, int naturalHeight, int wv, int hv);
// Centred where smaller than the view, from the start where larger.
Point2 PlacePhoto(Size2 photo, int wv, int hv);
// The scroll position that shows the middle of a natural-size photo, clamped to [0, max].
int CentredScrollPosition(int photoExtent, int viewExtent, int maxPosition);

// The photo view's zoom modes: the picture at its natural size, or fitted to the view (none
// before a picture is shown). A click toggles between the two.
enum class TZoom { None = 0, Natural = 1, Fitted = 2 };
constexpr TZoom ZoomNatural = TZoom::Natural;
constexpr TZoom ZoomFitted = TZoom::Fitted;
constexpr TZoom Toggled(TZoom zoom)
{
    return zoom == TZoom::Natural ? TZoom::Fitted : zoom == TZoom::Fitted ? TZoom::Natural : TZoom::None;
}

// Where the photo view puts a picture of natural size `natural` in a view of outer size
// `view`: the photo's size and top-left corner, the view's scroll ranges and the scroll
// positions it asks for (its bars clamp them to what does not fit). At natural size the
// middle of the picture shows; fitted, the start.
struct PhotoPlacement {
    Size2 Size;
    Point2 At;
    Size2 Range;
    Point2 Scroll;
    bool operator==(const PhotoPlacement&) const = default;
};
//
// On a screen drawn at `scale` screen pixels per form unit, the photo's natural size is its
// own pixels on the screen's and the view is measured in the screen's pixels: the rules above
// are applied there and the result given back in form units (a natural size rounded up, so
// that the photo's every pixel is covered).
PhotoPlacement PlacePhotoInView(Size2 natural, Size2 view, TZoom zoom, double scale = 1.0);
// The screen pixels that an extent in form units covers at `scale`.
Size2 ScreenPixels(Size2 formUnits, double scale);

// The strip's scroll position that brings the span [top, bottom) into a visible extent,
// moving as little as it can; a span taller than the extent shows its top.
int ScrollPositionShowing(int top, int bottom, int position, int visible);

}  // namespace galimo
