#include "browser/depart.h"

#include "browser/photoview.h"
#include "browser/stripfill.h"
#include "picture/fileformats.h"
#include "picture/image.h"
#include "picture/jpegimage.h"
#include "platform/core/arith.h"
#include "platform/core/errorhandler.h"
#include "platform/display/changeres.h"
#include "platform/display/displaysettings.h"
#include "platform/display/screenplan.h"
#include "platform/files/filenames.h"
#include "platform/widgets/formprops.h"
#include "print/printpanel.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace galimo {

namespace {
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

bool JpegFile(const QByteArray& name)
{
    return TFileFormatsList::Instance().FindExt(FileExtension(name.toStdString())) == &TJPEGImage::ClassInfo;
}
}  // namespace

// What the print panel reads of the photo view.
class TDepart::ShownPicture : public IShownPicture {
public:
    explicit ShownPicture(TDepart& w) : window(w) {}
    float AspectRatio() const override { return window.AspectRatio(); }
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
    view = std::make_unique<TPhotoView>(*photo, *boitephoto);
    strip = std::make_unique<TStripFill>(
        *this, TStripFill::Controls{boite, boitephoto, HV, cblanc, FL},
        TStripFill::Callbacks{[this](int n) { ShowPicture(n); }, [this] { ShowPicture(0); }, [this] { PrepareZoom(); }});
    keyNavigation = std::make_unique<TKeyNavigation>(static_cast<IKeyedWindow&>(*this));

    FormCreate();
}

TDepart::~TDepart() = default;

int TDepart::NaturalWidth() const { return view->NaturalWidth(); }
int TDepart::NaturalHeight() const { return view->NaturalHeight(); }
float TDepart::AspectRatio() const { return view->AspectRatio(); }
TZoom TDepart::ZoomMode() const { return view->Zoom(); }
const std::vector<TImage*>& TDepart::Thumbnails() const { return strip->Thumbnails(); }
bool TDepart::StripFilling() const { return strip->Filling(); }
bool TDepart::ZoomPrepared() { return view->ZoomPrepared(); }
void TDepart::Print() { printPanel->ImprimerClick(); }
void TDepart::ClosePanel() { printPanel->annulerClick(); }

void TDepart::FormCreate()
{
    // Where the start-up decision keeps the screen's mode, no switch is asked for: the form
    // is drawn at the scale that fills the screen instead.
    const bool switched = ScreenPlan().Hold == TScreenHold::Switch &&
                          SetDisplayMode(800, 600, 16) == DISP_CHANGE_SUCCESSFUL && CurrentScreen() == QSize(800, 600);
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
    startFolder = DisplayName(startFolderBytes);
    firstPaint = true;
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
    if (watched == form && event->type() == QEvent::Paint && firstPaint)
        QMetaObject::invokeMethod(this, [this] { Guard([this] { FormPaint(); }); }, Qt::QueuedConnection);
    return TDXForm::eventFilter(watched, event);
}

void TDepart::FormPaint()
{
    if (!firstPaint) return;
    firstPaint = false;
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
    strip->Clear();
    view->Forget();
}

void TDepart::RebuildThumbnails()
{
    ClearThumbnails();
    if (FL->Count() == 0) {
        photo->hide();
        return;
    }
    strip->Start();
}

void TDepart::CLKClick(TImage* sender) { ShowPicture(sender->Tag()); }

// File n in the photo view, loaded here by the name the album gives it (the strip made file 0
// ahead, and a damaged file shows what went wrong), then placed by the view.
void TDepart::ShowPicture(int n)
{
    photo->SetStretch(false);
    photo->SetAutoSize(true);
    const std::optional<QString> damaged = strip->Damage(n);
    std::unique_ptr<TGraphic> first = n == 0 ? strip->TakeFirstPhoto() : nullptr;
    if (damaged)
        photo->Picture().Adopt(TStripFill::DamagedPhoto(FL->Item(n), *damaged));  // told once already, by the strip
    else if (first)
        photo->Picture().Adopt(std::move(first));  // decoded ahead for this view
    else
        photo->Picture().LoadFromFile(FL->RawItem(n).toStdString());
    view->Shown(JpegFile(FL->RawItem(n)) && !damaged ? FL->Path(n) : std::string());
    photo->show();
    keyNavigation->PictureShown(n);
    PrepareZoom();
}

void TDepart::photoClick() { view->Toggle(FL->Count() > 0); }

// The full size is made once the strip no longer needs the cores.
void TDepart::PrepareZoom()
{
    if (!strip->Filling()) view->PrepareZoom();
}

}  // namespace galimo
