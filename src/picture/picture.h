// TPicture: owns zero or one graphic and picks the graphic class of a file by its
// extension. Every failure leaves the picture exactly as it was.
#pragma once

#include "picture/graphic.h"

#include <functional>
#include <memory>
#include <string>

namespace galimo {

class TBitmap;

class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Loads a file; a relative name resolves against the current folder. Raises
    // EInvalidGraphic for an unknown extension, EFOpenError when the file cannot be
    // opened, and whatever the graphic's reader raises.
    void LoadFromFile(const std::string& fileName);
    // An independent copy of the source's graphic (or none).
    void Assign(const TPicture* source);
    void Assign(const TGraphic* source);
    // Takes a graphic made elsewhere (loaded ahead) as if it had just been loaded.
    void Adopt(std::unique_ptr<TGraphic> value) { SetGraphic(std::move(value)); }

    int Width() const;
    int Height() const;
    TGraphic* Graphic() const { return graphic.get(); }
    // The graphic as a bitmap; anything else is replaced by a new empty bitmap first.
    TBitmap& Bitmap();

    // Raised after every change of the graphic (also changes the graphic makes itself).
    std::function<void()> OnChange;
    std::function<void(ProgressStage, int, bool)> OnProgress;

private:
    void SetGraphic(std::unique_ptr<TGraphic> value);
    void Changed()
    {
        if (OnChange) OnChange();
    }

    std::unique_ptr<TGraphic> graphic;
};

}  // namespace galimo
