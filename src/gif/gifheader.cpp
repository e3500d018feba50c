#include "gif/gifheader.h"

#include <cstring>

namespace galimo {

void WarnImage(const TGIFPictureCore* image, const TGIFPersistent* sender, int severity, const std::string& message)
{
    if (image) image->Warn(sender, severity, message);
}

void TGIFItem::Warn(int severity, const std::string& message) const { WarnImage(image, this, severity, message); }

void TGIFPictureCore::Warn(const TGIFPersistent* sender, int severity, const std::string& message) const
{
    if (OnWarn) OnWarn(sender, severity, message);
}

namespace {

// The first three bytes, up to a zero byte, upper-cased: is it "GIF"?
bool IsGIFSignature(const uint8_t* bytes)
{
    char text[4] = {};
    for (int i = 0; i < 3 && bytes[i]; ++i) {
        char c = static_cast<char>(bytes[i]);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        text[i] = c;
    }
    return std::strcmp(text, "GIF") == 0;
}

}  // namespace

void TGIFHeader::LoadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    uint8_t sig[6];
    ReadExact(stream, sig, 6);
    if (!IsGIFSignature(sig)) {
        // Some files carry four bytes of their own before the signature.
        stream.SetPosition(start);
        stream.Skip(4);
        ReadExact(stream, sig, 6);
        if (!IsGIFSignature(sig)) throw GIFException("Invalid GIF signature");
    }
    std::memcpy(Signature, sig, 3);
    std::memcpy(Version, sig + 3, 3);

    uint8_t lsd[7];
    ReadExact(stream, lsd, 7);
    ScreenWidth = GetLE16(lsd);
    ScreenHeight = GetLE16(lsd + 2);
    ScreenFlags = lsd[4];
    BackgroundIndex = lsd[5];
    PixelAspect = lsd[6];
    if (ScreenFlags & 0x80)
        GlobalColors.LoadEntries(stream, 2 << (ScreenFlags & 7));
    else
        GlobalColors.Reset();
}

void TGIFHeader::CopyFrom(const TGIFHeader& source)
{
    std::memcpy(Signature, source.Signature, sizeof Signature);
    std::memcpy(Version, source.Version, sizeof Version);
    ScreenWidth = source.ScreenWidth;
    ScreenHeight = source.ScreenHeight;
    ScreenFlags = source.ScreenFlags;
    BackgroundIndex = source.BackgroundIndex;
    PixelAspect = source.PixelAspect;
    GlobalColors.CopyFrom(source.GlobalColors);
}

}  // namespace galimo
