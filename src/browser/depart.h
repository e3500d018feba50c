// TDepart: the main window and its controls: the album list, the thumbnail strip, the photo
// view and the print panel, laid out by the form description. The strip's making is
// TStripFill's, the photo view's state TPhotoView's, the print panel's behaviour the print
// layer's, browsing by keyboard TKeyNavigation's, which sees the window through a narrow view.
#pragma once

#include "browser/keynavigation.h"
#include "browser/layout.h"
#include "platform/widgets/dxform.h"
#include "ui_depart.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace galimo {

class TImage;
class TPhotoView;
class TPrintPanel;
class TStripFill;

class TDepart : public TDXForm, public Ui::DepartForm, private IKeyedWindow {
    Q_OBJECT
public:
    explicit TDepart(QWidget* parent = nullptr);
    ~TDepart() override;

    // Main-window state.
    const QString& StartFolder() const { return startFolder; }
    bool FirstPaint() const { return firstPaint; }
    int NaturalWidth() const;
    int NaturalHeight() const;
    float AspectRatio() const;
    TZoom ZoomMode() const;

    // Handlers.
    void FormCreate();
    void FormPaint();
    void FormClose();
    void quitterClick();
    void APClick();
    void FillAlbumList();
    void DLClick();
    void RebuildThumbnails();
    void ClearThumbnails();
    void CLKClick(TImage* sender);
    void ShowPicture(int n);
    void photoClick();

    // The thumbnails the strip owns, in creation order.
    const std::vector<TImage*>& Thumbnails() const override;
    // The print panel's behaviour, handed the panel's controls.
    TPrintPanel* PrintPanel() const { return printPanel.get(); }
    // Browsing by keyboard and the mark on the shown thumbnail.
    TKeyNavigation* KeyNavigation() const { return keyNavigation.get(); }

    // True while the strip is still being made.
    bool StripFilling() const;
    // True once the shown photo's full-size picture is ready for the zoom.
    bool ZoomPrepared();

    // Shows the about box modally (set by the main block once the about box exists).
    std::function<void()> ShowAbout;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PrepareZoom();
    // What the keys see and ask.
    QWidget& Window() override { return *this; }
    TScrollBox& Strip() override { return *boite; }
    TImage& Photo() override { return *photo; }
    QString FileName(int n) override { return FL->Item(n); }
    bool CanPrint() const override { return Imprimer->isEnabled(); }
    bool PanelOpen() const override { return !Pimp->isHidden(); }
    void Print() override;
    void ClosePanel() override;
    void Quit() override { quitterClick(); }
    void TogglePhoto() override { photoClick(); }
    void ShowFile(int n) override { ShowPicture(n); }

    QWidget* form;  // the 800 x 600 form, parent of every control of the description
    QString startFolder;
    QByteArray startFolderBytes;  // the start folder as the file system spells it
    bool firstPaint = true;
    class ShownPicture;
    std::unique_ptr<ShownPicture> shown;
    std::unique_ptr<TStripFill> strip;
    std::unique_ptr<TPhotoView> view;
    std::unique_ptr<TPrintPanel> printPanel;
    std::unique_ptr<TKeyNavigation> keyNavigation;
};

}  // namespace galimo
