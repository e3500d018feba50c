// TDepart: the main window. The album list, the thumbnail strip and the photo view live
// here; the print panel's behaviour is the print layer's, handed the panel's controls.
#pragma once

#include "platform/dxform.h"
#include "ui_depart.h"

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace galimo {

class TDecodeAhead;
class TGraphic;
class TImage;
class TKeyNavigation;
class TPrintPanel;

class TDepart : public TDXForm, public Ui::DepartForm {
    Q_OBJECT
public:
    explicit TDepart(QWidget* parent = nullptr);
    ~TDepart() override;

    // Main-window state.
    QString StartFolder;
    bool FirstPaint = true;
    int NaturalWidth = 0;
    int NaturalHeight = 0;
    float AspectRatio = 0.0f;
    int ZoomMode = 0;

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
    void MakeThumbnail(int n);
    void CLKClick(TImage* sender);
    void ShowPicture(int n);
    void photoClick();
    void RelayoutPhoto();

    // The thumbnails the strip owns, in creation order.
    const std::vector<TImage*>& Thumbnails() const { return thumbnails; }
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
    QWidget* form;  // the 800 x 600 form, parent of every control of the description
    QByteArray startFolderBytes;  // StartFolder as the file system spells it
    void StartDecodeAhead(int count);
    void FillStrip();
    bool FillOne(int n);
    void PrepareZoom();
    void LoadForThumbnail(int n);
    void FinishThumbnail(TImage* vig, int n, float r);

    std::vector<TImage*> thumbnails;
    std::vector<std::optional<QString>> damage;  // beside each thumbnail: why its file failed, if it did
    std::unique_ptr<TDecodeAhead> decodeAhead;  // alive while the strip is being made
    std::unique_ptr<TGraphic> firstPhoto;       // file 0 made ahead for the photo view
    std::unique_ptr<TDecodeAhead> zoomAhead;    // the shown photo at full size, while fitted
    std::string zoomFile;                       // the shown photo, to be made so once the strip is
    QTimer fillTimer;
    int fillCount = 0;
    bool fillReported = false;  // the opening's first failure has been told
    bool fillBusy = false;
    // Which opening the strip is being filled for: a fill that an error box held while
    // another album opened (or the window closed) sees the number change. An address would
    // not do: the new queue may be made where the old one was freed.
    unsigned fillGeneration = 0;
    class ShownPicture;
    std::unique_ptr<ShownPicture> shown;
    std::unique_ptr<TPrintPanel> printPanel;
    std::unique_ptr<TKeyNavigation> keyNavigation;
};

}  // namespace galimo
