#include "picture/jpegimage.h"

#include "picture/exiforientation.h"
#include "picture/fileformats.h"
#include "picture/jpegglue.h"
#include "platform/core/exceptions.h"

#include <QGuiApplication>
#include <QScreen>
#include <chrono>
#include <cstring>
#include <exception>
#include <utility>

namespace galimo {

namespace {

TJPEGSettings defaults;

std::function<int()> screenDepthQuery;

int ScreenDepthNow()
{
    if (screenDepthQuery) return screenDepthQuery();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 32;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

// What a palette display gets for a picture not yet decoded: the twenty fixed system
// colours and a 6 x 6 x 6 colour cube.
TPalette HalftonePalette()
{
    TPalette palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),   qRgb(0, 0, 128),
        qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(192, 220, 192), qRgb(166, 202, 240),
        qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),
        qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255)};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) palette.push_back(qRgb(r * 51, g * 51, b * 51));
    return palette;
}

[[noreturn]] void RaiseJPEG(int code, const galimo_jpeg_header* header = nullptr)
{
    if (code == GALIMO_JPEG_TOO_BIG && header)
        throw EJPEG("Image JPEG trop grande (" + std::to_string(header->width) + " x " + std::to_string(header->height) +
                    " pixels)");
    if (code == GALIMO_JPEG_NO_MEMORY || code == GALIMO_JPEG_TOO_BIG)
        throw EJPEG("Mémoire insuffisante pour l'image JPEG");
    throw EJPEG(JPEGErrorMessage(code));
}

// One decompressor, destroyed on every way out of the scope that made it.
class Decompressor {
public:
    Decompressor(const std::vector<uint8_t>* bytes, galimo_jpeg_progress_fn progress, void* owner)
    {
        int code = 0;
        jpeg = galimo_jpeg_open(bytes ? bytes->data() : nullptr, bytes ? bytes->size() : 0, progress, owner, &code);
        if (!jpeg) RaiseJPEG(code);
    }
    ~Decompressor() { galimo_jpeg_close(jpeg); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    galimo_jpeg* operator*() const { return jpeg; }

private:
    galimo_jpeg* jpeg = nullptr;
};

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ReadExactly(TStream& stream, void* buffer, size_t count)
{
    if (stream.Read(buffer, count) != count) throw EInOutError("Erreur de lecture du flux", 30);
}

}  // namespace

// The progress record of one decoding. Runs inside the library's frames: it never lets an
// exception out, it keeps it and asks the glue to stop instead.
struct JPEGProgress {
    TJPEGImage* owner = nullptr;
    int lastPercent = -1;
    int64_t lastTime = -1;
    unsigned lastRow = 0;
    std::exception_ptr failure;

    static int Callback(void* self, long passCounter, long passLimit, int completedPasses, int totalPasses,
                        unsigned outputRow, unsigned outputHeight) noexcept
    {
        auto* p = static_cast<JPEGProgress*>(self);
        if (p->owner->Stop && p->owner->Stop->load(std::memory_order_relaxed)) {
            p->failure = std::make_exception_ptr(EAbort());  // kept as a stopped decoding is
            return 1;
        }
        if (!p->owner->OnProgress) return 0;  // nobody listens: skip even the clock
        try {
            const int64_t now = NowMs();
            if (p->lastTime < 0) {
                p->lastTime = now;
                return 0;
            }
            if (now - p->lastTime < 500) return 0;
            p->lastTime = now;
            const unsigned top = p->lastRow;
            unsigned bottom = outputRow;
            if (bottom < top) bottom = outputHeight;
            const double pass = passLimit > 0 ? static_cast<double>(passCounter) / static_cast<double>(passLimit) : 0.0;
            const int percent = static_cast<int>((pass + completedPasses) * 100.0 / std::max(totalPasses, 1));
            if (percent != p->lastPercent) {
                p->lastPercent = percent;
                p->lastRow = outputRow;
                p->owner->Progress(ProgressStage::Running, percent, bottom - top >= 4);
            }
            return 0;
        } catch (...) {
            p->failure = std::current_exception();
            return 1;
        }
    }
};

std::string JPEGErrorMessage(int code) { return "Erreur JPEG #" + std::to_string(code); }

const TJPEGSettings& JPEGDefaults() { return defaults; }

const TGraphicClass TJPEGImage::ClassInfo{"TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }};

void InitJPEGModule(int screenBitsPerPixelTimesPlanes)
{
    defaults.PixelFormat = screenBitsPerPixelTimesPlanes <= 8 ? 1 : 0;
    TFileFormatsList::Instance().Remove(TJPEGImage::ClassInfo);
    TFileFormatsList::Instance().Add("jpeg", "Fichier image JPEG", TJPEGImage::ClassInfo);
    TFileFormatsList::Instance().Add("jpg", "Fichier image JPEG", TJPEGImage::ClassInfo);
}

void FinalizeJPEGModule() { TFileFormatsList::Instance().Remove(TJPEGImage::ClassInfo); }

void SetJPEGScreenDepthQuery(std::function<int()> query) { screenDepthQuery = std::move(query); }

TJPEGImage::TJPEGImage() : data(std::make_shared<TJPEGData>()), settings(defaults) {}

TJPEGImage::~TJPEGImage() = default;

// A reduced bitmap is a stand-in: the picture keeps the (upright) size of its file.
int TJPEGImage::Width() const
{
    if (bitmap && decodedEighths == 8) return bitmap->Width();
    return SwapsSides(data->Orientation) ? data->Height : data->Width;
}

int TJPEGImage::Height() const
{
    if (bitmap && decodedEighths == 8) return bitmap->Height();
    return SwapsSides(data->Orientation) ? data->Width : data->Height;
}

bool TJPEGImage::Empty() const
{
    if (data->Data) return false;
    return !bitmap || bitmap->Empty();
}

void TJPEGImage::NewData() { data = std::make_shared<TJPEGData>(); }

void TJPEGImage::NewBitmap()
{
    bitmap = std::make_unique<TBitmap>();
    decodedEighths = 8;
}

void TJPEGImage::FreeBitmap()
{
    bitmap.reset();
    decodedEighths = 8;
    decodeFinal = false;
    pendingFailure = nullptr;
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Impossible de modifier la taille d'une image JPEG"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Impossible de modifier la taille d'une image JPEG"); }

void TJPEGImage::LoadFromStream(TStream& stream)
{
    const int64_t count = std::max<int64_t>(stream.Size() - stream.Position(), 0);
    NewData();
    FreeBitmap();
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    ReadExactly(stream, bytes.data(), bytes.size());
    LoadBytes(std::move(bytes));
}

void TJPEGImage::LoadBytes(std::vector<uint8_t> bytes)
{
    data->Data = std::move(bytes);
    if (!data->Data->empty()) {
        Decompressor jpeg(&*data->Data, nullptr, nullptr);
        galimo_jpeg_header header{};
        if (const int code = galimo_jpeg_read_header(*jpeg, &header)) RaiseJPEG(code, &header);
        data->Width = static_cast<int>(header.width);
        data->Height = static_cast<int>(header.height);
        data->Grayscale = header.grey != 0;
        settings.ProgressiveEncoding = header.multi_scan ? 1 : 0;
        data->Orientation = ExifOrientation(data->Data->data(), data->Data->size());
        const TExifThumbnail thumbnail = ExifThumbnail(data->Data->data(), data->Data->size());
        if (thumbnail.Length) {
            // Only its header now; a damaged one is simply not used.
            const auto from = data->Data->begin() + static_cast<ptrdiff_t>(thumbnail.Offset);
            const std::vector<uint8_t> bytes(from, from + static_cast<ptrdiff_t>(thumbnail.Length));
            galimo_jpeg_header small{};
            int code = 0;
            if (galimo_jpeg* reader = galimo_jpeg_open(bytes.data(), bytes.size(), nullptr, nullptr, &code)) {
                if (!galimo_jpeg_read_header(reader, &small))
                    data->ThumbnailSize = ExifThumbnailUse(Width(), Height(), static_cast<int>(small.width),
                                                           static_cast<int>(small.height), data->Orientation,
                                                           thumbnail.Length);
                galimo_jpeg_close(reader);
            }
            if (!data->ThumbnailSize.isEmpty()) {
                data->ThumbnailOffset = thumbnail.Offset;
                data->ThumbnailLength = thumbnail.Length;
            }
        }
    }
    Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    if (data->Data && !data->Data->empty()) stream.Write(data->Data->data(), data->Data->size());
}

void TJPEGImage::ReadData(TStream& stream)
{
    uint8_t size[4];
    ReadExactly(stream, size, 4);
    const uint32_t count = size[0] | size[1] << 8 | size[2] << 16 | static_cast<uint32_t>(size[3]) << 24;
    if (count > static_cast<uint64_t>(std::max<int64_t>(stream.Size() - stream.Position(), 0)))
        throw EInOutError("Erreur de lecture du flux", 30);
    NewData();
    FreeBitmap();
    std::vector<uint8_t> bytes(count);
    ReadExactly(stream, bytes.data(), bytes.size());
    LoadBytes(std::move(bytes));
}

void TJPEGImage::WriteData(TStream& stream) const
{
    const uint32_t count = data->Data ? static_cast<uint32_t>(data->Data->size()) : 0;
    const uint8_t size[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                             static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
    stream.Write(size, 4);
    if (count) stream.Write(data->Data->data(), count);
}

bool TJPEGImage::Equals(const TGraphic& other) const
{
    const auto* jpeg = dynamic_cast<const TJPEGImage*>(&other);
    if (!jpeg) return false;
    if (jpeg->data == data) return true;
    return jpeg->data->Data == data->Data;
}

void TJPEGImage::Assign(const TGraphic& source)
{
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
        if (jpeg == this) return;
        data = jpeg->data;
        settings = jpeg->settings;
        FreeBitmap();
        if (jpeg->bitmap) {
            NewBitmap();
            bitmap->Assign(*jpeg->bitmap);
            decodedEighths = jpeg->decodedEighths;
            decodeFinal = jpeg->decodeFinal;
        }
    } else if (const auto* plain = dynamic_cast<const TBitmap*>(&source)) {
        NewData();
        NewBitmap();
        bitmap->Assign(*plain);
    } else {
        throw EInvalidGraphicOperation("Impossible d'affecter un " + std::string(source.Class().Name) +
                                       " à un TJPEGImage");
    }
    Changed();
}

TPalette TJPEGImage::Palette()
{
    if (bitmap) return bitmap->Image().colorTable();
    if (assignedPalette) return *assignedPalette;
    if (settings.PixelFormat == 1) return {};
    if (ScreenDepthNow() <= 8) {
        assignedPalette = HalftonePalette();
        return *assignedPalette;
    }
    return {};
}

void TJPEGImage::SetPalette(const TPalette& palette)
{
    if (palette.isEmpty())
        assignedPalette.reset();
    else
        assignedPalette = palette;
    if (bitmap && bitmap->Image().colorTable() != palette) {
        FreeBitmap();
        Changed();
    }
}

bool IsJpegName(const std::string& fileName)
{
    return TFileFormatsList::Instance().FindExt(FileExtension(fileName)) == &TJPEGImage::ClassInfo;
}

int ReducedEighths(int width, int height, int targetW, int targetH)
{
    // Only the halving scales: the library's other ones run slower than a full decode.
    for (int n = 1; n < 8; n *= 2) {
        // The library rounds a scaled size up.
        const int64_t w = (static_cast<int64_t>(width) * n + 7) / 8, h = (static_cast<int64_t>(height) * n + 7) / 8;
        if (w >= targetW && h >= targetH) return n;
    }
    return 8;
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect)
{
    // Decoded for the pixels the rectangle covers, which a scaled screen makes more.
    const QSize pixels = canvas.Pixels(rect);
    DecodeFor(pixels.width(), pixels.height());
    bitmap->Draw(canvas, rect);
}

void TJPEGImage::DecodeFor(int w, int h)
{
    if (!pendingFailure && ThumbnailFits(w, h)) {
        if (bitmap && decodedEighths == 0) return;
        if (!bitmap && DecodeThumbnail(w, h)) return;
    }
    DecodeAt(EighthsFor(w, h));
}

// The camera's thumbnail is an older, blurrier picture: it serves only a strip's draw no
// longer than it and at most half the photo's long side, and only when it decodes to no more
// pixels than the photo's own reduced decode would (which reads the whole photo's data).
bool TJPEGImage::ThumbnailFits(int w, int h) const
{
    const QSize& t = data->ThumbnailSize;
    if (!CameraThumbnailAllowed || t.isEmpty() || w <= 0 || h <= 0 || settings.Scale != 0 || settings.PixelFormat != 0)
        return false;
    const int side = std::max(w, h);
    if (side > std::max(t.width(), t.height()) || 2 * int64_t(side) > std::max(Width(), Height())) return false;
    const auto pixels = [w, h](int64_t width, int64_t height) {
        const int eighths = ReducedEighths(static_cast<int>(width), static_cast<int>(height), w, h);
        return ((width * eighths + 7) / 8) * ((height * eighths + 7) / 8);
    };
    return pixels(t.width(), t.height()) <= pixels(Width(), Height());
}

// The thumbnail decoded as a picture of its own, reduced for the draw and turned as the
// photo is. False when it fails: the photo is then decoded, which reports its own faults.
bool TJPEGImage::DecodeThumbnail(int w, int h)
{
    try {
        const auto from = data->Data->begin() + static_cast<ptrdiff_t>(data->ThumbnailOffset);
        TJPEGImage small;
        small.LoadBytes(std::vector<uint8_t>(from, from + static_cast<ptrdiff_t>(data->ThumbnailLength)));
        small.data->Orientation = data->Orientation;
        small.Stop = Stop;
        small.DecodeAt(small.EighthsFor(w, h));
        if (small.decodeFinal || small.bitmap->Empty()) return false;
        bitmap = std::move(small.bitmap);
        decodedEighths = 0;
        return true;
    } catch (...) {
        return false;
    }
}

TBitmap& TJPEGImage::Bitmap()
{
    DecodeAt(8);
    return *bitmap;
}

void TJPEGImage::PrepareDraw(int w, int h)
{
    try {
        DecodeFor(w, h);
        bitmap->PrepareDraw(w, h);
    } catch (...) {
        pendingFailure = std::current_exception();
    }
}

// Reduced only in the plain case: a chosen scale or a palette stays exactly as asked.
int TJPEGImage::EighthsFor(int w, int h) const
{
    if (w <= 0 || h <= 0 || !data->Data || settings.Scale != 0 || settings.PixelFormat != 0) return 8;
    // The target is upright: compare it with the upright sides.
    const bool swap = SwapsSides(data->Orientation);
    return ReducedEighths(swap ? data->Height : data->Width, swap ? data->Width : data->Height, w, h);
}

void TJPEGImage::DecodeAt(int eighths)
{
    if (pendingFailure) std::rethrow_exception(std::exchange(pendingFailure, nullptr));
    if (bitmap && (decodedEighths >= eighths || decodeFinal)) return;
    NewBitmap();  // kept even when decoding fails: the failure is reported once
    decodedEighths = eighths;
    try {
        if (!Decode(eighths)) decodeFinal = true;
    } catch (...) {
        decodeFinal = true;
        TurnUpright();
        throw;
    }
    TurnUpright();
}

// Right after each decoding: every later draw, copy and size is of the upright picture.
void TJPEGImage::TurnUpright()
{
    if (data->Orientation != 1 && !bitmap->Empty()) bitmap->SetImage(Upright(bitmap->Image(), data->Orientation));
}

bool TJPEGImage::Decode(int eighths)
{
    JPEGProgress progress;
    progress.owner = this;
    const std::vector<uint8_t>* bytes = data->Data ? &*data->Data : nullptr;
    Decompressor jpeg(bytes, &JPEGProgress::Callback, &progress);

    galimo_jpeg_header header{};
    if (const int code = galimo_jpeg_read_header(*jpeg, &header)) RaiseJPEG(code, &header);
    const bool greyOutput = settings.GrayScale || header.grey;
    const bool eightBit = settings.PixelFormat == 1 || greyOutput;

    // An assigned palette is the colour map of 8-bit output; 24-bit output has no use for it.
    std::vector<unsigned char> colourMap;
    if (assignedPalette && !eightBit) assignedPalette.reset();
    const bool paletteFromAssigned = assignedPalette && eightBit && !greyOutput && !header.four_colour;
    if (paletteFromAssigned) {
        const qsizetype n = std::min<qsizetype>(assignedPalette->size(), 256);
        for (qsizetype i = 0; i < n; ++i) {
            const QRgb c = (*assignedPalette)[i];
            colourMap.insert(colourMap.end(), {static_cast<unsigned char>(qRed(c)), static_cast<unsigned char>(qGreen(c)),
                                               static_cast<unsigned char>(qBlue(c))});
        }
    }
    galimo_jpeg_params params{};
    params.grey_output = settings.GrayScale;
    params.speed = settings.Performance;
    params.palette_output = settings.PixelFormat;
    params.scale = settings.Scale;
    params.scale_eighths = eighths < 8 ? eighths : 0;
    params.block_smoothing = settings.Smoothing;
    params.colour_map = colourMap.empty() ? nullptr : colourMap.data();
    params.colour_map_size = static_cast<int>(colourMap.size() / 3);
    if (const int code = galimo_jpeg_setup(*jpeg, &params)) RaiseJPEG(code, &header);

    bool paletteModified = false;
    bool allocated = false;
    std::exception_ptr failure;
    try {
        Progress(ProgressStage::Starting, 0, false);
        galimo_jpeg_output output{};
        if (const int code = galimo_jpeg_start(*jpeg, &output)) {
            if (code == GALIMO_JPEG_STOPPED && progress.failure) std::rethrow_exception(progress.failure);
            RaiseJPEG(code, &header);
        }
        // No fill: the decoder writes every row, and a failure blanks what it did not reach.
        QImage image(static_cast<int>(output.width), static_cast<int>(output.height),
                     output.indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
        if (image.isNull()) throw EJPEG("Mémoire insuffisante pour l'image JPEG");
        if (output.indexed) {
            TPalette table;
            if (paletteFromAssigned) {
                table = assignedPalette->mid(0, 256);
            } else {
                for (int i = 0; i < output.map_size; ++i) {
                    if (output.map_components == 1)
                        table.push_back(qRgb(output.map[0][i], output.map[0][i], output.map[0][i]));
                    else
                        table.push_back(qRgb(output.map[0][i], output.map[1][i], output.map[2][i]));
                }
                paletteModified = true;
            }
            image.setColorTable(table);
        }
        bitmap->SetImage(std::move(image));
        allocated = true;
        uint8_t* first = bitmap->ScanLine(0);
        const ptrdiff_t stride = bitmap->Image().bytesPerLine();
        int code = galimo_jpeg_read_rows(*jpeg, first, stride);
        if (!code) code = galimo_jpeg_finish(*jpeg);
        if (code) {
            if (code == GALIMO_JPEG_STOPPED && progress.failure) std::rethrow_exception(progress.failure);
            RaiseJPEG(code, &header);
        }
        if (header.four_colour && settings.PixelFormat == 1) {
            // The library cannot quantise CMYK; a palette display still gets 8 bits.
            bitmap->SetImage(bitmap->Image().convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither));
            paletteModified = true;
        }
    } catch (...) {
        failure = std::current_exception();
        if (allocated) {
            // Rows the decoder never reached would show stale memory: make them black.
            const QImage& image = bitmap->Image();
            const int from = static_cast<int>(galimo_jpeg_rows_done(*jpeg));
            for (int y = from; y < image.height(); ++y) {
                uint8_t* row = bitmap->ScanLine(y);
                if (image.format() == QImage::Format_Indexed8)
                    std::memset(row, 0, static_cast<size_t>(image.bytesPerLine()));
                else
                    std::fill_n(reinterpret_cast<QRgb*>(row), image.width(), qRgb(0, 0, 0));
            }
        }
    }
    Progress(ProgressStage::Ending, failure ? 0 : 100, paletteModified);
    if (paletteModified) Changed();
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const EAbort&) {
            return false;  // a listener stopped decoding: keep what was decoded, say nothing
        }
    }
    return true;
}

}  // namespace galimo
