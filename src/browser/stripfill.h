// TStripFill: the thumbnail strip being made. The album's decode-ahead workers read and
// reduce the files; a timer of the event loop takes their results in the album's order and
// makes a thumbnail of each, a few milliseconds at a time, so that the window answers while
// the strip fills. A file that fails keeps its place as a crossed box, and only the first
// failure of an opening is told. Each fill has its own number: one that another album (or
// the window's closing) has overtaken stops where it is and never acts for the new one.
// The window owns it; the thumbnails are the strip's children and this keeps their list.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace galimo {

class TBitmap;
class TDecodeAhead;
class TFileListBox;
class TGraphic;
class TImage;
class TScrollBox;

class TStripFill {
public:
    struct Controls {
        TScrollBox* Strip;      // boite
        TScrollBox* PhotoView;  // boitephoto, whose size file 0 is made for
        TImage* Measure;        // HV, the hidden picture each file is loaded into
        TImage* White;          // cblanc, the blank thumbnail
        TFileListBox* Files;    // FL
    };
    struct Callbacks {
        std::function<void(int n)> Clicked;  // thumbnail n was clicked
        std::function<void()> ShowFirst;      // thumbnail 0 is made: show photo 0
        std::function<void()> Done;           // the strip is complete
    };
    TStripFill(QWidget& window, Controls controls, Callbacks callbacks);
    ~TStripFill();

    // Starts making the strip of the files of the list; the thumbnails come after this returns.
    void Start();
    // Stops a fill in progress and frees every thumbnail.
    void Clear();
    bool Filling() const { return decodeAhead != nullptr; }

    const std::vector<TImage*>& Thumbnails() const { return thumbnails; }
    // Why file n failed, if it did.
    std::optional<QString> Damage(int n) const;
    // File 0 made ahead for the photo view, once: nothing when it was not.
    std::unique_ptr<TGraphic> TakeFirstPhoto() { return std::move(firstPhoto); }
    // The thumbnail box's side in the screen's pixels.
    int BoxPixels() const;

    // The photo view's picture for a damaged file: its name and what went wrong.
    static std::unique_ptr<TBitmap> DamagedPhoto(const QString& name, const QString& message);

private:
    void StartDecodeAhead(int count);
    void Fill();
    bool FillOne(int n);
    void LoadForThumbnail(int n);
    void MakeThumbnail(int n);
    void FinishThumbnail(TImage* vig, int n, float r);

    QWidget& window;
    Controls c;
    Callbacks on;
    std::vector<TImage*> thumbnails;
    std::vector<std::optional<QString>> damage;  // beside each thumbnail: why its file failed, if it did
    std::unique_ptr<TDecodeAhead> decodeAhead;  // alive while the strip is being made
    std::unique_ptr<TGraphic> firstPhoto;       // file 0 made ahead for the photo view
    QTimer timer;
    unsigned generation = 0;  // the fill's number: a new opening or a clearing changes it
    int count = 0;
    bool reported = false;  // the opening's first failure has been told
    bool busy = false;
};

}  // namespace galimo
