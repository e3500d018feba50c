#include "browser/depart.h"

#include "browser/decodeahead.h"
#include "browser/keynavigation.h"
#include "browser/layout.h"
#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "picture/jpegimage.h"
#include "picture/image.h"
#include "platform/arith.h"
#include "platform/changeres.h"
#include "platform/displaysettings.h"
#include "platform/errorhandler.h"
#include "platform/filenames.h"
#include "platform/formprops.h"
#include "print/printpanel.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QPainter>
#include <QScrollBar>
#include <utility>

namespace galimo {

namespace {
// The strip's share of the event loop: made for this long at most, then events are served;
// and how soon it looks again while a worker is still on the next file.
constexpr int FillSliceMs = 10;
constexpr int FillPollMs = 2;

constexpr int DamagedPhotoWidth = 400;
constexpr int DamagedPhotoHeight = 300;

// The screen's size at this moment, as the display settings report it.
QSize CurrentScreen() { return {DisplaySettings().ScreenWidth(), DisplaySettings().ScreenHeight()}; }

// The album list's item holds the folder's name as bytes beside the text it shows.
constexpr int RawNameRole = Qt::UserRole;

// A click on the album already selected changes no row, yet opens the album again: this
// notes the row under the press, before the list moves its selection.
class PressedRow : public QObject {
public:
    explicit PressedRow(QListWidget* list) : QObject(list), list(list) { list->viewport()->installEventFilter(this); }
    int Row() const { return row; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) row = list->currentRow();
        return false;
    }

private:
    QListWidget* list;
    int row = -1;
};

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

// The photo view's picture for a damaged file: its name and what went wrong.
std::unique_ptr<TBitmap> DamagedPhoto(const QString& name, const QString& message)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(DamagedPhotoWidth, DamagedPhotoHeight);
    bitmap->Canvas().BrushColor = Qt::white;
    bitmap->Canvas().FillRect({0, 0, DamagedPhotoWidth, DamagedPhotoHeight});
    DrawDamaged(*bitmap, name + "\n" + message);
    return bitmap;
}

bool JpegFile(const QByteArray& name)
{
    return TFileFormatsList::Instance().FindExt(FileExtension(name.toStdString())) == &TJPEGImage::ClassInfo;
}

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

// What the print panel reads of the photo view.
class TDepart::ShownPicture : public IShownPicture {
public:
    explicit ShownPicture(TDepart& w) : window(w) {}
    float AspectRatio() const override { return window.AspectRatio; }
    TGraphic* Graphic() const override { return window.photo->Picture().Graphic(); }
    bool AlbumHasFiles() const override { return window.FL->Count() > 0; }

private:
    TDepart& window;
};

TDepart::TDepart(QWidget* parent) : TDXForm(parent), form(new QWidget(this))
{
    // The form's controls live in `form`, always 800 x 600: on a switched screen it is the
    // whole window; elsewhere the window covers the screen in black with the form at its centre.
    setupUi(form);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    ApplyFormProperties(form);
    setFont(form->font());
    QPalette formPalette = form->palette();
    formPalette.setColor(QPalette::Window, formPalette.color(QPalette::Window));
    form->setPalette(formPalette);
    form->setAutoFillBackground(true);
    QPalette surround = palette();
    surround.setColor(QPalette::Window, Qt::black);
    setPalette(surround);
    setAutoFillBackground(true);
    form->installEventFilter(this);
    boite->AdoptChildren();
    boitephoto->AdoptChildren();
    boite->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    boite->SetAutoRange(true);
    boite->SetWheelStep(ThumbnailPitch);  // a notch, a thumbnail

    // cblanc: the white 120 x 120 background every thumbnail starts from.
    TBitmap& white = cblanc->Picture().Bitmap();
    white.SetSize(ThumbnailBox, ThumbnailBox);
    white.Canvas().BrushColor = Qt::white;
    white.Canvas().FillRect({0, 0, ThumbnailBox, ThumbnailBox});

    ConnectGuarded(quitter, &QPushButton::clicked, this, [this] { quitterClick(); });
    ConnectGuarded(AP, &QPushButton::clicked, this, [this] { APClick(); });
    ConnectGuarded(DL, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) DLClick();
    });
    auto* pressed = new PressedRow(DL);
    ConnectGuarded(DL, &QListWidget::itemClicked, this, [this, pressed](QListWidgetItem* item) {
        if (DL->row(item) == pressed->Row()) DLClick();  // a changed row has opened it already
    });
    ConnectGuarded(photo, &TImage::Clicked, this, [this] { photoClick(); });

    shown = std::make_unique<ShownPicture>(*this);
    printPanel = std::make_unique<TPrintPanel>(
        PrintPanelControls{Pimp, page, Plein, demi, quart, Hmarge, LabelH, LabelV, dimensions, LanceImp, annuler,
                           deplacer, Imprimer, boite, photo},
        *shown);
    ConnectGuarded(Imprimer, &QPushButton::clicked, this, [this] { printPanel->ImprimerClick(); });
    keyNavigation = std::make_unique<TKeyNavigation>(*this);
    // The strip's clock: the workers never call into Qt, the event loop looks at their results.
    fillTimer.setSingleShot(true);
    fillTimer.setTimerType(Qt::PreciseTimer);
    ConnectGuarded(&fillTimer, &QTimer::timeout, this, [this] { FillStrip(); });

    FormCreate();
}

TDepart::~TDepart() = default;

void TDepart::FormCreate()
{
    const bool switched = SetDisplayMode(800, 600, 16) == DISP_CHANGE_SUCCESSFUL && CurrentScreen() == QSize(800, 600);
    form->setGeometry(0, 0, 800, 600);
    // The window goes on the primary screen, the one switched. Its origin does not move with
    // the switch, so Qt's figure is good even before Qt has heard of the new size.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary ? primary->geometry() : QRect(0, 0, 800, 600);
    if (switched) {
        setGeometry(area.x(), area.y(), 800, 600);
    } else {
        // Wayland, or a screen that keeps its mode: the window owns the screen all the same.
        setGeometry(area);
        setWindowState(Qt::WindowFullScreen);
    }
    startFolderBytes = StartFolderFromCurrent();
    StartFolder = DisplayName(startFolderBytes);
    FirstPaint = true;
    // The print panel sits centred in the form, wherever the form is: on a switched screen,
    // that is the screen's centre.
    Pimp->move(Div(form->width() - Pimp->width(), 2), Div(form->height() - Pimp->height(), 2));
}

void TDepart::resizeEvent(QResizeEvent* event)
{
    // The form stays at the centre of whatever the window is given (a full screen, a scaled one).
    form->move(Div(width() - form->width(), 2), Div(height() - form->height(), 2));
    TDXForm::resizeEvent(event);
}

bool TDepart::eventFilter(QObject* watched, QEvent* event)
{
    // The form covers the window's own paint: its first paint is the window's. The paint
    // handler builds the strip and repaints it piece by piece: it runs right after this
    // paint, not inside it, since Qt cannot repaint within a paint.
    if (watched == form && event->type() == QEvent::Paint && FirstPaint)
        QMetaObject::invokeMethod(this, [this] { Guard([this] { FormPaint(); }); }, Qt::QueuedConnection);
    return TDXForm::eventFilter(watched, event);
}

void TDepart::FormPaint()
{
    if (!FirstPaint) return;
    FirstPaint = false;
    FillAlbumList();
}

void TDepart::closeEvent(QCloseEvent* event)
{
    Guard([this] { FormClose(); });
    event->accept();
}

void TDepart::FormClose()
{
    ClearThumbnails();
    RestoreDisplayMode();
}

void TDepart::quitterClick() { close(); }

void TDepart::APClick()
{
    if (ShowAbout) ShowAbout();
    show();
    raise();
    activateWindow();
}

void TDepart::FillAlbumList()
{
    DL->clear();
    // Every entry of the current folder, hidden ones too, in the file system's own order;
    // only folders (or links to one) whose name starts with neither "." nor "_".
    for (const TFolderEntry& entry : ReadFolder(".")) {
        if (entry.Kind != TEntryKind::Folder || entry.Name.startsWith('.') || entry.Name.startsWith('_')) continue;
        auto* item = new QListWidgetItem(DisplayName(entry.Name), DL);
        item->setData(RawNameRole, entry.Name);
    }
    if (DL->count() > 0) {
        const QSignalBlocker quiet(DL);  // DLClick is called once, directly
        DL->setCurrentRow(0);
        DLClick();
    }
}

void TDepart::DLClick()
{
    const QListWidgetItem* item = DL->currentItem();
    if (!item) return;
    QByteArray name = item->data(RawNameRole).toByteArray();
    if (name.isEmpty()) name = QFile::encodeName(item->text());
    FL->SetDirectory(startFolderBytes + name);
    RebuildThumbnails();
}

void TDepart::ClearThumbnails()
{
    fillTimer.stop();
    ++fillGeneration;
    decodeAhead.reset();  // the fill stops with the file each worker has in hand
    firstPhoto.reset();
    zoomAhead.reset();
    zoomFile.clear();
    while (!thumbnails.empty()) {
        TImage* first = thumbnails.front();
        thumbnails.erase(thumbnails.begin());
        delete first;
    }
    damage.clear();
    boite->UpdateAutoRange();
    boite->SetVertPosition(0);
}

// The strip is made after this returns, one file an event-loop turn as the workers hand
// their results over: picture 0 shows first, and the window answers while the rest come.
void TDepart::RebuildThumbnails()
{
    ClearThumbnails();
    if (FL->Count() == 0) {
        photo->hide();
        return;
    }
    fillCount = FL->Count();
    fillReported = false;
    StartDecodeAhead(fillCount);
    FillStrip();
}

bool TDepart::StripFilling() const { return decodeAhead != nullptr; }

// The thumbnails whose files' results are in, a few milliseconds' worth, then back to the
// event loop; the timer brings it back, at once when the next result is ready.
void TDepart::FillStrip()
{
    if (fillBusy || !decodeAhead) return;  // a box's own event loop runs while a step reports
    QElapsedTimer slice;
    slice.start();
    while (decodeAhead && static_cast<int>(thumbnails.size()) < fillCount && slice.elapsed() < FillSliceMs) {
        const int n = static_cast<int>(thumbnails.size());
        if (!decodeAhead->Ready(static_cast<size_t>(n))) break;
        if (!FillOne(n)) return;  // another album's fill has taken over
    }
    if (!decodeAhead) return;
    if (static_cast<int>(thumbnails.size()) >= fillCount) {
        decodeAhead.reset();
        firstPhoto.reset();
        PrepareZoom();
        return;
    }
    fillTimer.start(decodeAhead->Ready(thumbnails.size()) ? 0 : FillPollMs);
}

// Thumbnail n, and photo 0 right after its own; false when an error box's loop saw the
// album change.
bool TDepart::FillOne(int n)
{
    const unsigned filling = fillGeneration;
    // Held through the error box too: the strip goes on once it is closed.
    fillBusy = true;
    try {
        MakeThumbnail(n);
    } catch (...) {
        // The file keeps its place; only the first failure of an opening is told.
        if (!fillReported) {
            fillReported = true;
            HandleCurrentException();
        }
    }
    if (n == 0 && fillGeneration == filling) {
        try {
            ShowPicture(0);
        } catch (...) {
            HandleCurrentException();
        }
    }
    fillBusy = false;
    boite->viewport()->update();
    if (fillGeneration == filling) return true;
    if (decodeAhead) fillTimer.start(0);  // closed or another album opened meanwhile
    return false;
}

// Job n is file n for its thumbnail, but job 0 is file 0 for the photo view: the thumbnail
// is drawn from that, so the file is decoded once.
void TDepart::StartDecodeAhead(int count)
{
    ++fillGeneration;
    decodeAhead.reset();
    firstPhoto.reset();
    std::vector<TDecodeJob> jobs;
    const QByteArray folder = CurrentFolderBytes();
    const auto ahead = [&](int n) {
        return JpegFile(FL->RawItem(n)) ? (folder + '/' + FL->RawItem(n)).toStdString() : std::string();
    };
    const int wv = boitephoto->width(), hv = boitephoto->height();
    jobs.push_back({ahead(0), [wv, hv](int width, int height, int& w, int& h) {
                        if (ShowsNatural(width, height, wv, hv)) return;
                        const Size2 fit = FitPhoto(Ratio(height, width), wv, hv);
                        w = fit.Width;
                        h = fit.Height;
                    }});
    for (int n = 1; n < count; ++n)
        jobs.push_back({ahead(n), [](int, int, int& w, int& h) { w = h = ThumbnailBox; }, true});
    decodeAhead = std::make_unique<TDecodeAhead>(std::move(jobs));
}

// File n into HV: what the workers made of it, or the file loaded here when they made
// nothing (the load then fails here, with its message, if it fails at all).
void TDepart::LoadForThumbnail(int n)
{
    std::unique_ptr<TGraphic> ready = decodeAhead ? decodeAhead->Take(static_cast<size_t>(n)) : nullptr;
    if (n == 0 && ready) {
        // A failed decoding is the thumbnail's to report: then it is decoded here again.
        if (!static_cast<TJPEGImage&>(*ready).FailurePending()) {
            HV->Picture().Assign(ready.get());
            firstPhoto = std::move(ready);
            return;
        }
        ready.reset();
    }
    if (ready) {
        HV->Picture().Adopt(std::move(ready));
    } else {
        HV->Picture().LoadFromFile(FL->RawItem(n).toStdString());
        // HV only ever feeds the strip.
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(HV->Picture().Graphic())) jpeg->CameraThumbnailAllowed = true;
    }
}

void TDepart::MakeThumbnail(int n)
{
    auto* vig = new TImage(boite->Content());
    thumbnails.push_back(vig);
    damage.resize(thumbnails.size());
    vig->setObjectName(QString("VIG%1").arg(n));
    vig->setAccessibleName(FL->Item(n));
    // Until it has a picture the control is an empty 105 x 105 square at 0, 0, letting
    // clicks through to the thumbnail beneath.
    vig->setGeometry(0, 0, 105, 105);
    vig->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    vig->show();

    float r = 1.0f;
    try {
        LoadForThumbnail(n);
        r = Ratio(HV->height(), HV->width());
        vig->Picture().Assign(&cblanc->Picture());
        vig->SetAutoSize(false);
        vig->SetStretch(true);
        vig->Picture().Bitmap().Canvas().StretchDraw({0, 0, ThumbnailBox, ThumbnailBox}, HV->Picture().Graphic());
    } catch (...) {
        // A damaged file keeps its place in the strip, and the failure goes on to the caller.
        damage.back() = QString::fromStdString(ErrorBoxText(CurrentExceptionMessage()));
        vig->Picture().Assign(&cblanc->Picture());
        vig->SetAutoSize(false);
        vig->SetStretch(true);
        DrawDamaged(vig->Picture().Bitmap(), {});
        vig->setToolTip(PlainHint(FL->Item(n)));
        FinishThumbnail(vig, n, 1.0f);
        throw;
    }
    FinishThumbnail(vig, n, r);
}

void TDepart::FinishThumbnail(TImage* vig, int n, float r)
{
    vig->SetTransparent(false);
    const Size2 size = ThumbnailSize(r);
    const Point2 at = ThumbnailPosition(n, size);
    vig->setGeometry(at.X, at.Y, size.Width, size.Height);
    vig->SetTag(n);
    ConnectGuarded(vig, &TImage::Clicked, this, [this, vig] { CLKClick(vig); });
    vig->setCursor(Qt::PointingHandCursor);
    vig->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    vig->show();
}

void TDepart::CLKClick(TImage* sender) { ShowPicture(sender->Tag()); }

void TDepart::ShowPicture(int n)
{
    const int wv = boitephoto->width(), hv = boitephoto->height();
    photo->SetStretch(false);
    photo->SetAutoSize(true);
    if (n >= 0 && n < static_cast<int>(damage.size()) && damage[n])
        photo->Picture().Adopt(DamagedPhoto(FL->Item(n), *damage[n]));  // told once already, by the strip
    else if (n == 0 && firstPhoto)
        photo->Picture().Adopt(std::move(firstPhoto));  // decoded ahead for this view
    else
        photo->Picture().LoadFromFile((CurrentFolderBytes() + '/' + FL->RawItem(n)).toStdString());
    zoomAhead.reset();
    NaturalHeight = photo->height();
    NaturalWidth = photo->width();
    AspectRatio = Ratio(NaturalHeight, NaturalWidth);
    photo->SetStretch(true);
    photo->SetAutoSize(false);
    ZoomMode = ShowsNatural(NaturalWidth, NaturalHeight, wv, hv) ? ZoomNatural : ZoomFitted;
    ApplyPlacement(*photo, *boitephoto, PlacePhotoInView({NaturalWidth, NaturalHeight}, {wv, hv}, ZoomMode));
    photo->show();
    keyNavigation->PictureShown(n);
    zoomFile.clear();
    if (ZoomMode == ZoomFitted && JpegFile(FL->RawItem(n)) && !(n < static_cast<int>(damage.size()) && damage[n]))
        zoomFile = (CurrentFolderBytes() + '/' + FL->RawItem(n)).toStdString();
    PrepareZoom();
}

// The click to natural size finds the full picture made: one worker, one file, once the
// strip no longer needs the cores.
void TDepart::PrepareZoom()
{
    if (decodeAhead || zoomFile.empty()) return;
    zoomAhead = std::make_unique<TDecodeAhead>(std::vector<TDecodeJob>{{std::exchange(zoomFile, {}), {}}}, 1);
}

bool TDepart::ZoomPrepared() { return zoomAhead && zoomAhead->Ready(0); }

void TDepart::photoClick()
{
    ZoomMode = 3 - ZoomMode;
    if (ZoomMode == ZoomNatural && zoomAhead) {
        std::unique_ptr<TGraphic> full = zoomAhead->Take(0);
        zoomAhead.reset();
        // Failed or stopped, it is left for the draw here to meet, as without it.
        auto* jpeg = dynamic_cast<TJPEGImage*>(full.get());
        if (jpeg && !jpeg->FailurePending() && jpeg->DecodedEighths() == 8) photo->Picture().Adopt(std::move(full));
    }
    RelayoutPhoto();
}

void TDepart::RelayoutPhoto()
{
    if (FL->Count() == 0 || (ZoomMode != ZoomNatural && ZoomMode != ZoomFitted)) return;
    const Size2 view{boitephoto->width(), boitephoto->height()};
    ApplyPlacement(*photo, *boitephoto, PlacePhotoInView({NaturalWidth, NaturalHeight}, view, ZoomMode));
}

}  // namespace galimo
