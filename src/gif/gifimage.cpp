#include "gif/gifimage.h"

#include "picture/fileformats.h"
#include "platform/core/arith.h"
#include "platform/core/uithread.h"

#include <cstring>

namespace galimo {

// --- frames and trailer -----------------------------------------------------------------

void TGIFImageList::LoadFromStream(TStream& stream, TGIFImage* parent)
{
    const int64_t size = stream.Size();
    for (;;) {
        int b;
        do b = TryReadByte(stream);
        while (b == 0);
        if (b < 0) return;  // no trailer: the frames so far are the picture
        stream.Skip(-1);
        if (b == 0x3B) return;
        if (b != 0x21 && b != 0x2C) {
            Warn(1, "Unknown GIF block type");
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(parent);
        frame->LoadFromStream(stream);  // on failure the new frame is destroyed
        Add(std::move(frame));
        // The percentage costs a rounding in extended precision: only for a listener.
        if (parent && parent->OnProgress && size > 0)
            parent->LoadProgress(static_cast<int>(RoundEven(static_cast<long double>(stream.Position()) * 100 / size)));
    }
}

void TGIFTrailer::LoadFromStream(TStream& stream)
{
    const int b = TryReadByte(stream);
    if (b >= 0 && b != 0x3B) Warn(1, "Invalid Image trailer");
}

// --- picture ----------------------------------------------------------------------------

const TGraphicClass TGIFImage::ClassInfo{"TGIFImage", [] { return std::unique_ptr<TGraphic>(new TGIFImage); }};

TGIFImage::TGIFImage() = default;

TGIFImage::~TGIFImage()
{
    StopAllPainters();
    images.Clear();
}

void TGIFImage::RenderProgress(ProgressStage stage, int percent)
{
    if (!OnProgress) return;
    TUIThreadQueue::Instance().Send([&] { Progress(stage, percent, stage == ProgressStage::Ending, "Rendering..."); });
}

void TGIFImage::Reset()
{
    StopAllPainters();
    images.Clear();
    header.GlobalColors.Reset();
    header.ScreenWidth = 0;
    header.ScreenHeight = 0;
}

void TGIFImage::LoadFromStream(TStream& stream)
{
    Progress(ProgressStage::Starting, 0, false);
    try {
        Reset();
        const int64_t start = stream.Position();
        try {
            header.LoadFromStream(stream);
            images.LoadFromStream(stream, this);
            TGIFTrailer trailer(this);
            trailer.LoadFromStream(stream);
        } catch (...) {
            stream.SetPosition(start);
            throw;
        }
    } catch (...) {
        Progress(ProgressStage::Ending, 0, true);
        throw;
    }
    Changed();
    Progress(ProgressStage::Ending, 100, true);  // last of all, as on failure
}

void TGIFImage::Assign(const TGraphic& source)
{
    const auto* other = dynamic_cast<const TGIFImage*>(&source);
    if (!other)
        throw EInvalidGraphicOperation("Impossible d'affecter un " + std::string(source.Class().Name) + " à un TGIFImage");
    if (other == this) return;
    Reset();
    header.CopyFrom(other->header);
    for (const auto& frame : other->images) images.Add(frame->Clone(this));
    SetTransparent(other->Transparent());
    Changed();
}

// --- module -----------------------------------------------------------------------------

void InitGIFModule(int screenBitsPerPixelTimesPlanes)
{
    TFileFormatsList::Instance().Add("GIF", "GIF Image", TGIFImage::ClassInfo);
    SetPaletteDisplay(screenBitsPerPixelTimesPlanes < 9);
    // The run-time's allocator and synchronisation are thread-safe from the start here, so
    // no never-started thread object is needed to switch them on; what it stood for is the
    // UI thread's request queue, which we bind to this (the UI) thread now.
    TUIThreadQueue::Instance().Attach();
}

void FinalizeGIFModule()
{
    TFileFormatsList::Instance().Remove(TGIFImage::ClassInfo);
    FreeExtensionRegistries();
}

}  // namespace galimo
