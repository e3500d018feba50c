// The logical screen descriptor with its global colour table, and the core of a picture:
// what each of its parts reaches through the picture it belongs to (the header, the count
// of pixels its frames hold, its warnings). The frames sit above this, the picture with its
// frames and drawing above them.
#pragma once

#include "gif/gifcolormap.h"

namespace galimo {

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFPictureCore* image) : TGIFItem(image) {}
    void LoadFromStream(TStream& stream) override;
    void CopyFrom(const TGIFHeader& source);

    // Signature and version as read ("GIF", "89a"); the version is not examined.
    char Signature[4] = "GIF";
    char Version[4] = "89a";
    uint16_t ScreenWidth = 0;
    uint16_t ScreenHeight = 0;
    uint8_t ScreenFlags = 0;
    uint8_t BackgroundIndex = 0;
    uint8_t PixelAspect = 0;
    TGIFGlobalColorMap GlobalColors{this};
};

// Warnings: sender, severity (1 for everything the reader says), message.
using TGIFWarningEvent = std::function<void(const TGIFPersistent* sender, int severity, const std::string& message)>;

class TGIFPictureCore : public TGIFPersistent {
public:
    TGIFPictureCore() = default;
    TGIFPictureCore(const TGIFPictureCore&) = delete;
    TGIFPictureCore& operator=(const TGIFPictureCore&) = delete;

    TGIFHeader& Header() { return header; }
    const TGIFHeader& Header() const { return header; }

    TGIFWarningEvent OnWarn;
    void Warn(const TGIFPersistent* sender, int severity, const std::string& message) const;

    // Pixels held by all frames together; the bound of the memory check.
    int64_t PixelTotal() const { return pixelTotal; }
    void CountPixels(int64_t delta) { pixelTotal += delta; }

protected:
    int64_t pixelTotal = 0;
    TGIFHeader header{this};
};

}  // namespace galimo
