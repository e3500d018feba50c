// TJPEGImage: a JPEG picture. Loading keeps the file's bytes and reads only the header, so
// a folder of large photos is sized without decoding; a draw decodes the image at the
// smallest DCT scale that still covers its rectangle (a thumbnail reads an eighth of each
// side, or, in the strip, only the camera's own thumbnail when the file carries a fit one),
// and the picture keeps that bitmap until a larger draw needs more.
//
// Ownership: the compressed bytes live in TJPEGData, shared by copies of one picture; the
// decoded bitmap and the assigned palette belong to the picture.
#pragma once

#include "picture/bitmap.h"
#include "picture/graphic.h"

#include <QList>
#include <QRgb>
#include <QSize>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace galimo {

// The eight per-picture settings, in the order of the process-wide defaults record.
struct TJPEGSettings {
    uint8_t CompressionQuality = 90;
    uint8_t GrayScale = 0;
    uint8_t Performance = 0;  // 0 best quality, 1 best speed
    uint8_t PixelFormat = 0;  // 0 24-bit output, 1 8-bit (quantised) output
    uint8_t ProgressiveDisplay = 0;
    uint8_t ProgressiveEncoding = 0;
    uint8_t Scale = 0;  // 0 1/1, 1 1/2, 2 1/4, 3 1/8
    uint8_t Smoothing = 1;
};

// The defaults every new picture copies. Only the start-up step sets its PixelFormat.
const TJPEGSettings& JPEGDefaults();

// The module's start-up step: decides 8-bit output once from the screen's bits per pixel
// times planes, as the screen is before the display is switched, and registers the class
// for "jpeg" and "jpg". Calling it again replaces the earlier decision and registration.
void InitJPEGModule(int screenBitsPerPixelTimesPlanes);
void FinalizeJPEGModule();

// How the palette query learns the screen's depth at the moment it is asked (Qt's
// primary screen by default; tests replace it).
void SetJPEGScreenDepthQuery(std::function<int()> query);

// The compressed bytes and the header's facts, shared by reference between copies.
class TJPEGData {
public:
    std::optional<std::vector<uint8_t>> Data;  // none for a picture never loaded
    int Height = 0;
    int Width = 0;
    bool Grayscale = false;
    int Orientation = 1;  // the EXIF orientation, 1..8: the decoded bitmap is turned upright
    // The camera's thumbnail in Data, when it may stand in for a small draw; its size upright.
    size_t ThumbnailOffset = 0;
    size_t ThumbnailLength = 0;
    QSize ThumbnailSize;
};

using TPalette = QList<QRgb>;

class TJPEGImage : public TGraphic {
public:
    static const TGraphicClass ClassInfo;
    TJPEGImage();
    ~TJPEGImage() override;

    const TGraphicClass& Class() const override { return ClassInfo; }
    // Upright: a picture the camera held on its side has its width and height swapped.
    int Width() const override;
    int Height() const override;
    bool Empty() const override;
    void LoadFromStream(TStream& stream) override;
    // From another JPEG picture: shares its bytes and copies its bitmap. From a bitmap:
    // fresh empty data and a copy of the bitmap.
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // Raise EInvalidGraphicOperation: a JPEG picture has the size of its file.
    void SetWidth(int value);
    void SetHeight(int value);
    // Writes the kept bytes unchanged.
    void SaveToStream(TStream& stream) const;
    // The form-data pair: a 32-bit little-endian count, then the bytes.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;
    // Same class and same compressed bytes.
    bool Equals(const TGraphic& other) const;

    // The palette the picture would be shown with; empty when it has none.
    TPalette Palette();
    // Replaces the assigned palette; a bitmap decoded with another palette is dropped.
    void SetPalette(const TPalette& palette);

    // The decoded bitmap at full size, decoding now when it is not. A failed decoding raises
    // once; the partly filled bitmap stays and is returned from then on.
    TBitmap& Bitmap();
    bool Decoded() const { return bitmap != nullptr; }
    // Eighths of each side the kept bitmap was decoded at (8: full size; 0: none, or drawn
    // from the camera's thumbnail).
    int DecodedEighths() const { return bitmap ? decodedEighths : 0; }
    // Decodes what a draw into a w x h rectangle needs and makes its shrunk copy now, so the
    // draw itself only copies. Safe off the user-interface thread for a picture no one else
    // touches. A failure is kept and raised by the next draw, as if that draw had decoded.
    void PrepareDraw(int w, int h);
    // Set by another thread to stop a decoding in progress, as a listener's abort does.
    const std::atomic<bool>* Stop = nullptr;
    // Set for a picture only the strip draws: the camera's thumbnail may then serve a draw
    // well smaller than the photo. Never for the photo view, a zoom or a print.
    bool CameraThumbnailAllowed = false;
    // A failure PrepareDraw kept for the next draw.
    bool FailurePending() const { return pendingFailure != nullptr; }
    const TJPEGSettings& Settings() const { return settings; }
    // True for a multi-scan (progressive) file, from the last load.
    bool ProgressiveEncoding() const { return settings.ProgressiveEncoding != 0; }
    const std::shared_ptr<TJPEGData>& Data() const { return data; }

private:
    void TurnUpright();
    int EighthsFor(int w, int h) const;
    void DecodeFor(int w, int h);
    bool ThumbnailFits(int w, int h) const;
    bool DecodeThumbnail(int w, int h);
    void DecodeAt(int eighths);
    bool Decode(int eighths);
    void NewData();
    void NewBitmap();
    void FreeBitmap();
    void LoadBytes(std::vector<uint8_t> bytes);

    std::shared_ptr<TJPEGData> data;
    std::unique_ptr<TBitmap> bitmap;
    std::optional<TPalette> assignedPalette;
    TJPEGSettings settings;
    int decodedEighths = 8;
    bool decodeFinal = false;  // a decoding failed or was stopped: what it left is kept
    std::exception_ptr pendingFailure;

    friend struct JPEGProgress;
};

// The fewest eighths (1, 2, 4 or 8) of a width x height picture whose decoded size, rounded up as
// the JPEG library rounds it, still covers targetW x targetH.
int ReducedEighths(int width, int height, int targetW, int targetH);

// Whether the picture container loads a file of this name as a JPEG picture (by its extension).
bool IsJpegName(const std::string& fileName);

// The message of a fatal library error: "Erreur JPEG #code".
std::string JPEGErrorMessage(int code);

}  // namespace galimo
