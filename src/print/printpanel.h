// TPrintPanel: the behaviour of the main window's print panel. The window owns it and
// hands it the panel's controls (which stay the window's) and a narrow view of the shown
// picture; the panel keeps the layout state, draws the preview on the bitmap of `page` and
// prints the same layout on the current printer.
#pragma once

#include "platform/drawing/printer.h"
#include "print/pagelayout.h"

#include <QObject>
#include <array>

class QAbstractButton;
class QLabel;
class QRadioButton;
class QSlider;
class QWidget;

namespace galimo {

class TGraphic;
class TImage;

struct PrintPanelControls {
    QWidget* Pimp;
    TImage* page;
    QRadioButton* Plein;
    QRadioButton* demi;
    QRadioButton* quart;
    QSlider* Hmarge;
    QLabel* LabelH;
    QLabel* LabelV;
    QLabel* dimensions;
    QAbstractButton* LanceImp;
    QAbstractButton* annuler;
    QAbstractButton* deplacer;
    // Browser controls disabled while the panel is open.
    QWidget* Imprimer;
    QWidget* boite;
    QWidget* photo;
};

// What the panel reads of the photo view.
class IShownPicture {
public:
    virtual ~IShownPicture() = default;
    virtual float AspectRatio() const = 0;
    virtual TGraphic* Graphic() const = 0;
    virtual bool AlbumHasFiles() const = 0;
};

// Refusals of a print that would waste a sheet.
inline constexpr const char* MsgPhotoTooSmall = "La photo est trop petite pour être imprimée : réduisez la marge";
inline constexpr const char* MsgNoPhoto = "Aucune photo à imprimer";

class TPrintPanel : public QObject {
public:
    // It prints on the printer and dialog in force at the time (Printer(), PrintDialog()).
    // The panel connects its own controls; the window connects `Imprimer` to ImprimerClick.
    TPrintPanel(const PrintPanelControls& controls, IShownPicture& picture);
    ~TPrintPanel() override;

    void ImprimerClick();
    void annulerClick();
    void PleinClick();
    void HmargeChange();
    void deplacerClick();
    void LanceImpClick();

    void SetBrowserEnabled(bool enabled);
    void RedrawLayout();
    void DrawLayout(TSheetOrientation orientation, int size);

    int SizeIndex() const;

    // Layout state, in millimetres.
    int PrintWidth = 0;
    int PrintHeight = 0;
    int VerticalMargin = 0;
    int SlotIndex = 0;
    std::array<int, 4> SlotX{};
    std::array<int, 4> SlotY{};
    bool PrintRequested = false;

private:
    void ResetMargin();
    void Print(TSheetOrientation orientation, const TSheetRect& sheetRect);
    // Raises the refusal for a layout that would print a blank sheet.
    void RefuseBlankSheet() const;

    PrintPanelControls c;
    IShownPicture& picture;
};

}  // namespace galimo
