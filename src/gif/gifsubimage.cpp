#include "gif/gifsubimage.h"

#include "gif/gifheader.h"
#include "gif/lzwdecoder.h"

#include <cstring>
#include <new>

namespace galimo {

// --- extension list ---------------------------------------------------------------------

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage* parent)
{
    int b = TryReadByte(stream);
    if (b < 0) return;
    while (b != 0x2C && b != 0x3B) {
        if (b != 0x21) {
            // Not an extension: the frame decides what the byte is (0x00 ends the frame
            // without image data, anything else is taken as an image descriptor).
            Warn(1, "Invalid extension introducer");
            stream.Skip(-1);
            return;
        }
        const TGIFExtensionClass* cls = ResolveExtensionClass(stream);
        if (!cls) throw GIFException("Unknown extension type");
        stream.Skip(-1);
        std::unique_ptr<TGIFExtension> ext = cls->Create(parent);
        ext->LoadFromStream(stream);  // on failure the new extension is destroyed
        Add(std::move(ext));
        b = TryReadByte(stream);
        if (b < 0) return;
    }
    stream.Skip(-1);
}

// --- frame ------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFPictureCore* image) : TGIFFrameItem(image), Extensions(image) {}

TGIFSubImage::~TGIFSubImage()
{
    // The extensions look back at the frame while they go.
    Extensions.Clear();
    ReleasePixels();
}

void TGIFSubImage::Reset()
{
    Extensions.Clear();
    LocalColors.Reset();
    ReleasePixels();
    Left = Top = Width = Height = 0;
    ImageFlags = 0;
    HasTransparency = false;
    GraphicControl = nullptr;
    ReleaseRenderCache();
}

const TGIFColorMap& TGIFSubImage::EffectiveColors() const
{
    if (LocalColors.ColorCount() > 0) return LocalColors;
    if (Image() && Image()->Header().GlobalColors.ColorCount() > 0) return Image()->Header().GlobalColors;
    return LocalColors;
}

void TGIFSubImage::ReleasePixels()
{
    renderCache.reset();  // its bitmap may show these very pixels
    if (pixels && Image()) Image()->CountPixels(-static_cast<int64_t>(pixelCount));
    pixels.reset();
    pixelCount = 0;
}

void TGIFSubImage::AllocatePixels()
{
    ReleasePixels();
    const uint64_t n = uint64_t(Width) * Height;
    if (n == 0) return;
    if (n > MaxFramePixels)
        throw GIFException("Image too large: a frame of " + std::to_string(Width) + " x " + std::to_string(Height) +
                           " pixels");
    if (Image() && uint64_t(Image()->PixelTotal()) + n > MaxPicturePixels)
        throw GIFException("Image too large: the frames exceed " + std::to_string(MaxPicturePixels) + " pixels in all");
    // calloc: large blocks come zeroed from the system without touching every page.
    pixels.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(n), 1)));
    if (!pixels) throw std::bad_alloc();
    pixelCount = static_cast<uint32_t>(n);
    if (Image()) Image()->CountPixels(static_cast<int64_t>(n));
}

void TGIFSubImage::LoadFromStream(TStream& stream)
{
    Reset();
    Extensions.LoadFromStream(stream, this);

    const int b = TryReadByte(stream);
    if (b < 0) return;  // extensions at the very end: a frame without image data
    stream.Skip(-1);
    if (b == 0x3B || b == 0x00) return;

    uint8_t desc[10];
    ReadExact(stream, desc, 10);
    Separator = desc[0];
    Left = GetLE16(desc + 1);
    Top = GetLE16(desc + 3);
    Width = GetLE16(desc + 5);
    Height = GetLE16(desc + 7);
    ImageFlags = desc[9];

    if (Width == 0 || Height == 0) {
        Width = Image() ? Image()->Header().ScreenWidth : 0;
        Height = Image() ? Image()->Header().ScreenHeight : 0;
        Warn(1, "Image exceeds Logical Screen size");
    }
    if (HasLocalColorTable()) LocalColors.LoadEntries(stream, 2 << (ImageFlags & 7));
    AllocatePixels();
    TLZWFrame frame;
    frame.Width = Width;
    frame.Height = Height;
    frame.Interlaced = IsInterlaced();
    frame.Fill = HasTransparency && GraphicControl ? GraphicControl->TransparentIndex : 0;
    frame.Warn = [this](const std::string& message) { Warn(1, message); };
    DecodePixels(frame, pixels.get(), stream);
}

std::unique_ptr<TGIFSubImage> TGIFSubImage::Clone(TGIFPictureCore* image) const
{
    auto copy = std::make_unique<TGIFSubImage>(image);
    copy->Separator = Separator;
    copy->Left = Left;
    copy->Top = Top;
    copy->Width = Width;
    copy->Height = Height;
    copy->ImageFlags = ImageFlags;
    copy->LocalColors.CopyFrom(LocalColors);
    for (const auto& ext : Extensions) copy->Extensions.Add(ext->Clone(copy.get()));
    copy->HasTransparency = HasTransparency;
    if (pixels) {
        copy->pixels.reset(static_cast<uint8_t*>(std::malloc(pixelCount)));
        if (!copy->pixels) throw std::bad_alloc();
        std::memcpy(copy->pixels.get(), pixels.get(), pixelCount);
        copy->pixelCount = pixelCount;
        if (image) image->CountPixels(pixelCount);
    }
    return copy;
}

void TGIFSubImage::SetRenderCache(TGIFRenderCachePtr cache) { renderCache = std::move(cache); }
void TGIFSubImage::ReleaseRenderCache() { renderCache.reset(); }

}  // namespace galimo
