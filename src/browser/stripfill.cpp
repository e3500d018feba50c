#include "browser/stripfill.h"

#include "browser/decodeahead.h"
#include "browser/layout.h"
#include "picture/bitmap.h"
#include "picture/image.h"
#include "picture/jpegimage.h"
#include "platform/core/arith.h"
#include "platform/core/errorhandler.h"
#include "platform/files/filenames.h"
#include "platform/widgets/filelistbox.h"
#include "platform/widgets/formprops.h"
#include "platform/widgets/scrollbox.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QWidget>

namespace galimo {

namespace {
// The strip's share of the event loop: made for this long at most, then events are served;
// and how soon it looks again while a worker is still on the next file.
constexpr int FillSliceMs = 10;
constexpr int FillPollMs = 2;

constexpr int DamagedPhotoWidth = 400;
constexpr int DamagedPhotoHeight = 300;

// What stands for a file that failed to load or draw: a thin grey frame and a grey cross
// over the bitmap, and the text, if any, on white in the middle.
void DrawDamaged(TBitmap& bitmap, const QString& text)
{
    bitmap.Canvas().WithPainter([&](QPainter& painter) {
        const QRect all = bitmap.Image().rect();
        painter.setPen(Qt::gray);
        painter.drawRect(all.adjusted(0, 0, -1, -1));
        painter.drawLine(all.topLeft(), all.bottomRight());
        painter.drawLine(all.topRight(), all.bottomLeft());
        if (text.isEmpty()) return;
        const QRect box = all.adjusted(20, 0, -20, 0);
        const QRect used = painter.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, text);
        painter.fillRect(used.adjusted(-6, -4, 6, 4), Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);  // plain text, never markup
    });
}
}  // namespace

TStripFill::TStripFill(QWidget& window, Controls controls, Callbacks callbacks)
    : window(window), c(controls), on(std::move(callbacks))
{
    // cblanc: the white 120 x 120 background every thumbnail starts from, in the screen's
    // pixels where the form is drawn larger.
    const int box = BoxPixels();
    TBitmap& white = c.White->Picture().Bitmap();
    white.SetSize(box, box);
    white.Canvas().BrushColor = Qt::white;
    white.Canvas().FillRect({0, 0, box, box});
    // The strip's clock: the workers never call into Qt, the event loop looks at their results.
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    ConnectGuarded(&timer, &QTimer::timeout, &window, [this] { Fill(); });
}

TStripFill::~TStripFill() = default;

int TStripFill::BoxPixels() const { return ScreenPixels({ThumbnailBox, ThumbnailBox}, window.devicePixelRatioF()).Width; }

std::optional<QString> TStripFill::Damage(int n) const
{
    return n >= 0 && n < static_cast<int>(damage.size()) ? damage[n] : std::nullopt;
}

std::unique_ptr<TBitmap> TStripFill::DamagedPhoto(const QString& name, const QString& message)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(DamagedPhotoWidth, DamagedPhotoHeight);
    bitmap->Canvas().BrushColor = Qt::white;
    bitmap->Canvas().FillRect({0, 0, DamagedPhotoWidth, DamagedPhotoHeight});
    DrawDamaged(*bitmap, name + "\n" + message);
    return bitmap;
}

void TStripFill::Clear()
{
    ++generation;
    timer.stop();
    decodeAhead.reset();  // the fill stops with the file each worker has in hand
    firstPhoto.reset();
    while (!thumbnails.empty()) {
        TImage* first = thumbnails.front();
        thumbnails.erase(thumbnails.begin());
        delete first;
    }
    damage.clear();
    c.Strip->UpdateAutoRange();
    c.Strip->SetVertPosition(0);
}

// The strip is made after this returns, one file an event-loop turn as the workers hand
// their results over: picture 0 shows first, and the window answers while the rest come.
void TStripFill::Start()
{
    ++generation;
    count = c.Files->Count();
    reported = false;
    StartDecodeAhead(count);
    Fill();
}

// The thumbnails whose files' results are in, a few milliseconds' worth, then back to the
// event loop; the timer brings it back, at once when the next result is ready.
void TStripFill::Fill()
{
    if (busy || !decodeAhead) return;  // a box's own event loop runs while a step reports
    QElapsedTimer slice;
    slice.start();
    while (decodeAhead && static_cast<int>(thumbnails.size()) < count && slice.elapsed() < FillSliceMs) {
        const int n = static_cast<int>(thumbnails.size());
        if (!decodeAhead->Ready(static_cast<size_t>(n))) break;
        if (!FillOne(n)) return;  // another album's fill has taken over
    }
    if (!decodeAhead) return;
    if (static_cast<int>(thumbnails.size()) >= count) {
        decodeAhead.reset();
        firstPhoto.reset();
        if (on.Done) on.Done();
        return;
    }
    timer.start(decodeAhead->Ready(thumbnails.size()) ? 0 : FillPollMs);
}

// Thumbnail n, and photo 0 right after its own; false when an error box's loop saw the
// album change.
bool TStripFill::FillOne(int n)
{
    const unsigned mine = generation;
    // Held through the error box too: the strip goes on once it is closed.
    busy = true;
    try {
        MakeThumbnail(n);
    } catch (...) {
        // The file keeps its place; only the first failure of an opening is told.
        if (!reported) {
            reported = true;
            HandleCurrentException();
        }
    }
    if (n == 0 && generation == mine && on.ShowFirst) {
        try {
            on.ShowFirst();
        } catch (...) {
            HandleCurrentException();
        }
    }
    busy = false;
    c.Strip->viewport()->update();
    if (generation == mine) return true;
    if (decodeAhead) timer.start(0);  // closed or another album opened meanwhile
    return false;
}

// Job n is file n for its thumbnail, but job 0 is file 0 for the photo view: the thumbnail
// is drawn from that, so the file is decoded once. Made for the screen pixels the photo and
// the thumbnails will cover.
void TStripFill::StartDecodeAhead(int files)
{
    decodeAhead.reset();
    firstPhoto.reset();
    std::vector<TDecodeJob> jobs;
    const auto ahead = [&](int n) { return IsJpegName(c.Files->RawItem(n).toStdString()) ? c.Files->Path(n) : std::string(); };
    const Size2 view{c.PhotoView->width(), c.PhotoView->height()};
    const double scale = window.devicePixelRatioF();
    jobs.push_back({ahead(0), [view, scale](int width, int height, int& w, int& h) {
                        const Size2 pixels = ScreenPixels(view, scale);
                        if (ShowsNatural(width, height, pixels.Width, pixels.Height)) return;
                        const Size2 fit = ScreenPixels(PlacePhotoInView({width, height}, view, ZoomFitted, scale).Size, scale);
                        w = fit.Width;
                        h = fit.Height;
                    }});
    const int box = BoxPixels();
    for (int n = 1; n < files; ++n)
        jobs.push_back({ahead(n), [box](int, int, int& w, int& h) { w = h = box; }, true});
    decodeAhead = std::make_unique<TDecodeAhead>(std::move(jobs));
}

// File n into HV: what the workers made of it, or the file loaded here when they made
// nothing (the load then fails here, with its message, if it fails at all).
void TStripFill::LoadForThumbnail(int n)
{
    std::unique_ptr<TGraphic> ready = decodeAhead ? decodeAhead->Take(static_cast<size_t>(n)) : nullptr;
    if (n == 0 && ready) {
        // A failed decoding is the thumbnail's to report: then it is decoded here again.
        if (!static_cast<TJPEGImage&>(*ready).FailurePending()) {
            c.Measure->Picture().Assign(ready.get());
            firstPhoto = std::move(ready);
            return;
        }
        ready.reset();
    }
    if (ready) {
        c.Measure->Picture().Adopt(std::move(ready));
    } else {
        c.Measure->Picture().LoadFromFile(c.Files->RawItem(n).toStdString());
        // HV only ever feeds the strip.
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(c.Measure->Picture().Graphic())) jpeg->CameraThumbnailAllowed = true;
    }
}

void TStripFill::MakeThumbnail(int n)
{
    auto* vig = new TImage(c.Strip->Content());
    thumbnails.push_back(vig);
    damage.resize(thumbnails.size());
    vig->setObjectName(QString("VIG%1").arg(n));
    vig->setAccessibleName(c.Files->Item(n));
    // Until it has a picture the control is an empty 105 x 105 square at 0, 0, letting
    // clicks through to the thumbnail beneath.
    vig->setGeometry(0, 0, 105, 105);
    vig->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    vig->show();

    float r = 1.0f;
    try {
        LoadForThumbnail(n);
        r = Ratio(c.Measure->height(), c.Measure->width());
        vig->Picture().Assign(&c.White->Picture());
        vig->SetAutoSize(false);
        vig->SetStretch(true);
        const int box = vig->Picture().Bitmap().Width();
        vig->Picture().Bitmap().Canvas().StretchDraw({0, 0, box, box}, c.Measure->Picture().Graphic());
    } catch (...) {
        // A damaged file keeps its place in the strip, and the failure goes on to the caller.
        damage.back() = QString::fromStdString(ErrorBoxText(CurrentExceptionMessage()));
        vig->Picture().Assign(&c.White->Picture());
        vig->SetAutoSize(false);
        vig->SetStretch(true);
        DrawDamaged(vig->Picture().Bitmap(), {});
        vig->setToolTip(PlainHint(c.Files->Item(n)));
        FinishThumbnail(vig, n, 1.0f);
        throw;
    }
    FinishThumbnail(vig, n, r);
}

void TStripFill::FinishThumbnail(TImage* vig, int n, float r)
{
    vig->SetTransparent(false);
    const Size2 size = ThumbnailSize(r);
    const Point2 at = ThumbnailPosition(n, size);
    vig->setGeometry(at.X, at.Y, size.Width, size.Height);
    vig->SetTag(n);
    ConnectGuarded(vig, &TImage::Clicked, &window, [this, vig] { on.Clicked(vig->Tag()); });
    vig->setCursor(Qt::PointingHandCursor);
    vig->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    vig->show();
}

}  // namespace galimo
