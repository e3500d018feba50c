#include "browser/photoview.h"

#include "browser/decodeahead.h"
#include "picture/image.h"
#include "picture/jpegimage.h"
#include "platform/core/arith.h"
#include "platform/widgets/scrollbox.h"

#include <utility>
#include <vector>

namespace galimo {

namespace {
// Each range before its position, vertical first: a position is clamped to the bar that
// its range has just set.
void ApplyPlacement(TImage& photo, TScrollBox& view, const PhotoPlacement& p)
{
    photo.resize(p.Size.Width, p.Size.Height);
    photo.move(p.At.X, p.At.Y);
    view.SetVertRange(p.Range.Height);
    view.SetVertPosition(p.Scroll.Y);
    view.SetHorzRange(p.Range.Width);
    view.SetHorzPosition(p.Scroll.X);
}
}  // namespace

TPhotoView::TPhotoView(TImage& photo, TScrollBox& view) : photo(photo), view(view) {}

TPhotoView::~TPhotoView() = default;

void TPhotoView::Shown(const std::string& fullSizeFile)
{
    zoomAhead.reset();
    naturalHeight = photo.Picture().Height();
    naturalWidth = photo.Picture().Width();
    aspectRatio = Ratio(naturalHeight, naturalWidth);
    photo.SetStretch(true);
    photo.SetAutoSize(false);
    const Size2 pixels = ScreenPixels({view.width(), view.height()}, photo.devicePixelRatioF());
    zoom = ShowsNatural(naturalWidth, naturalHeight, pixels.Width, pixels.Height) ? TZoom::Natural : TZoom::Fitted;
    Relayout();
    zoomFile = zoom == TZoom::Fitted ? fullSizeFile : std::string();
}

// The click to natural size finds the full picture made: one worker, one file.
void TPhotoView::PrepareZoom()
{
    if (zoomFile.empty()) return;
    zoomAhead = std::make_unique<TDecodeAhead>(std::vector<TDecodeJob>{{std::exchange(zoomFile, {}), {}}}, 1);
}

bool TPhotoView::ZoomPrepared() { return zoomAhead && zoomAhead->Ready(0); }

void TPhotoView::Forget()
{
    zoomAhead.reset();
    zoomFile.clear();
}

void TPhotoView::Toggle(bool albumHasFiles)
{
    zoom = Toggled(zoom);
    if (zoom == TZoom::Natural && zoomAhead) {
        std::unique_ptr<TGraphic> full = zoomAhead->Take(0);
        zoomAhead.reset();
        // Failed or stopped, it is left for the draw here to meet, as without it.
        auto* jpeg = dynamic_cast<TJPEGImage*>(full.get());
        if (jpeg && !jpeg->FailurePending() && jpeg->DecodedEighths() == 8) photo.Picture().Adopt(std::move(full));
    }
    if (albumHasFiles) Relayout();
}

void TPhotoView::Relayout()
{
    if (zoom == TZoom::None) return;
    const Size2 size{view.width(), view.height()};
    ApplyPlacement(photo, view, PlacePhotoInView({naturalWidth, naturalHeight}, size, zoom, photo.devicePixelRatioF()));
}

}  // namespace galimo
