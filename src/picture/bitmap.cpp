#include "picture/bitmap.h"

#include "picture/bmpreader.h"
#include "platform/core/exceptions.h"

#include <vector>

namespace galimo {

const TGraphicClass TBitmap::ClassInfo{"TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }};

QImage::Format QtFormat(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return QImage::Format_Mono;
    case TPixelFormat::pf8bit: return QImage::Format_Indexed8;
    case TPixelFormat::pf24bit: return QImage::Format_RGB32;
    case TPixelFormat::pf32bit: return QImage::Format_ARGB32_Premultiplied;
    }
    return QImage::Format_RGB32;
}

namespace {
TPixelFormat FormatOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono: return TPixelFormat::pf1bit;
    case QImage::Format_Indexed8: return TPixelFormat::pf8bit;
    case QImage::Format_ARGB32_Premultiplied: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pf24bit;
    }
}

// Brings any image into one of the four stored formats.
QImage Normalised(QImage image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_Indexed8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied: return image;
    case QImage::Format_MonoLSB: return image.convertToFormat(QImage::Format_Mono);
    default: {
        const bool alpha = image.hasAlphaChannel();
        return std::move(image).convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
    }
}
}  // namespace

TBitmap::TBitmap(int width, int height, TPixelFormat f) : format(f)
{
    SetSize(width, height);
}

void TBitmap::SetImage(QImage value)
{
    image = Normalised(std::move(value));
    format = FormatOf(image);
    ImageChanged();
}

void TBitmap::ImageChanged()
{
    scaleCache = QImage();
    canvas.reset();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == format && !image.isNull()) return;
    format = value;
    if (!image.isNull()) image = image.convertToFormat(QtFormat(value));
    ImageChanged();
}

void TBitmap::SetSize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        image = QImage();
        ImageChanged();
        return;
    }
    if (width == image.width() && height == image.height()) return;
    QImage next(width, height, QtFormat(format));
    if (next.isNull()) throw EInvalidGraphic("Mémoire insuffisante pour une image de " + std::to_string(width) + " x " + std::to_string(height));
    if (format == TPixelFormat::pf8bit) next.setColorTable(image.isNull() ? QList<QRgb>(256, qRgb(0, 0, 0)) : image.colorTable());
    if (format == TPixelFormat::pf1bit) next.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    next.fill(0);
    if (!image.isNull()) {
        const int rows = std::min(height, image.height());
        const int bytes = std::min(next.bytesPerLine(), image.bytesPerLine());
        for (int y = 0; y < rows; ++y) std::memcpy(next.scanLine(y), image.constScanLine(y), static_cast<size_t>(bytes));
    }
    image = std::move(next);
    ImageChanged();
}

TCanvas& TBitmap::Canvas()
{
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono) {
        // QPainter cannot paint on palette images: painting needs true colour.
        image = image.convertToFormat(QImage::Format_RGB32);
        format = TPixelFormat::pf24bit;
        canvas.reset();
    }
    if (!canvas) {
        canvas = std::make_unique<TCanvas>(static_cast<QPaintDevice*>(&image));
        canvas->OnChange = [this] {
            scaleCache = QImage();
            Changed();
        };
    }
    return *canvas;
}

uint8_t* TBitmap::ScanLine(int row)
{
    scaleCache = QImage();
    return image.scanLine(row);
}

void TBitmap::Assign(const TGraphic& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (!other) throw EInvalidGraphicOperation("Impossible d'affecter un " + std::string(source.Class().Name) + " à un TBitmap");
    image = other->image.copy();  // a deep copy: drawing on one never shows in the other
    format = other->format;
    SetTransparent(other->Transparent());
    ImageChanged();
}

void TBitmap::Draw(TCanvas& target, const TRect& rect)
{
    target.StretchImage(rect, image, &scaleCache);
}

void TBitmap::PrepareDraw(int w, int h)
{
    if (image.isNull() || w <= 0 || h <= 0 || (w == image.width() && h == image.height())) return;
    ScaledForDraw(image, std::min(w, image.width()), std::min(h, image.height()), scaleCache);
}

void TBitmap::LoadFromStream(TStream& stream) { LoadBitmap(stream, false); }

void TBitmap::LoadBitmap(TStream& stream, bool packedAllowed)
{
    const int64_t available = stream.Remaining();
    if (available == 0) {  // an empty file is an empty bitmap, not an error
        image = QImage();
        format = TPixelFormat::pf24bit;
        ImageChanged();
        return;
    }
    // The file's bytes, read once; a memory stream's are used where they lie.
    std::vector<uint8_t> file;
    const uint8_t* bytes = nullptr;
    size_t count = 0;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        bytes = memory->Data() + memory->Position();
        count = static_cast<size_t>(available);
        memory->Skip(available);
    } else {
        file.resize(static_cast<size_t>(available));
        count = stream.Read(file.data(), file.size());
        bytes = file.data();
    }

    BmpLayout layout;
    switch (ReadBmpHeader(bytes, count, packedAllowed, layout)) {
    case BmpHeaderResult::Ok: break;
    case BmpHeaderResult::TooBig:
        throw EInvalidGraphic("Image bitmap trop grande (" + std::to_string(layout.Width) + " x " +
                              std::to_string(layout.Height) + " pixels)");
    case BmpHeaderResult::Invalid: throw EInvalidGraphic("Image bitmap incorrecte");
    }
    static constexpr QImage::Format formats[] = {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_RGB32,
                                                 QImage::Format_ARGB32};
    QImage read(static_cast<int>(layout.Width), static_cast<int>(layout.Height), formats[static_cast<int>(layout.Pixels)]);
    if (read.isNull())
        throw EInvalidGraphic("Mémoire insuffisante pour une image de " + std::to_string(layout.Width) + " x " +
                              std::to_string(layout.Height));
    if (layout.Pixels == BmpPixels::Mono) read.setColorTable({layout.Palette[0], layout.Palette[1]});
    if (layout.Pixels == BmpPixels::Indexed8) read.setColorTable(QList<QRgb>(layout.Palette.begin(), layout.Palette.end()));
    DecodeBmpPixels(bytes, count, layout, read.bits(), read.bytesPerLine());
    file = {};
    image = Normalised(std::move(read));  // alpha is premultiplied in place
    format = FormatOf(image);
    ImageChanged();
}

}  // namespace galimo
