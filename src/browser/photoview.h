// TPhotoView: the photo view's state. The shown picture's natural size and shape, whether it
// shows at natural size or fitted (a click toggles), placed for the screen's pixels; while it
// is fitted, its full size is made ahead of the zoom by one worker once the strip no longer
// needs the cores. The window owns it and loads the picture; this decides where it goes.
#pragma once

#include "browser/layout.h"

#include <memory>
#include <string>

namespace galimo {

class TDecodeAhead;
class TImage;
class TScrollBox;

class TPhotoView {
public:
    TPhotoView(TImage& photo, TScrollBox& view);
    ~TPhotoView();

    // The photo control has just been given a picture at its natural size: natural when it
    // fits the view, fitted otherwise. A fitted JPEG names its file, to be made at full size.
    void Shown(const std::string& fullSizeFile);
    // A click on the photo: the other mode, the full size made ahead taken if it is ready.
    void Toggle(bool albumHasFiles);
    // Starts making the full size once nothing else needs the cores.
    void PrepareZoom();
    // True once the full-size picture is ready for the zoom.
    bool ZoomPrepared();
    // Another album: nothing made ahead any more.
    void Forget();

    int NaturalWidth() const { return naturalWidth; }
    int NaturalHeight() const { return naturalHeight; }
    float AspectRatio() const { return aspectRatio; }
    TZoom Zoom() const { return zoom; }

private:
    void Relayout();

    TImage& photo;
    TScrollBox& view;
    int naturalWidth = 0;
    int naturalHeight = 0;
    float aspectRatio = 0.0f;
    TZoom zoom = TZoom::None;
    std::unique_ptr<TDecodeAhead> zoomAhead;  // the shown photo at full size, while fitted
    std::string zoomFile;                     // the shown photo, to be made so when the cores are free
};

}  // namespace galimo
