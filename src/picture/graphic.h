// TGraphic: the abstract picture. Each class knows its natural size, reads itself from a
// stream, draws itself scaled into a rectangle and copies another graphic of its class.
#pragma once

#include "platform/drawing/canvas.h"
#include "platform/files/stream.h"

#include <functional>
#include <memory>
#include <string>

namespace galimo {

class TGraphic;

// A class reference: what the extension table stores and what a copy is made from.
struct TGraphicClass {
    const char* Name;
    std::unique_ptr<TGraphic> (*Create)();
};

enum class ProgressStage { Starting, Running, Ending };

class TGraphic : public IDrawable {
public:
    ~TGraphic() override = default;

    virtual const TGraphicClass& Class() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Reads the graphic from the stream's position to its end; raises on bad data.
    virtual void LoadFromStream(TStream& stream) = 0;
    // Copies source, which is of this graphic's class; the copy is independent.
    virtual void Assign(const TGraphic& source) = 0;
    virtual bool Transparent() const { return transparent; }
    virtual void SetTransparent(bool value) { transparent = value; }
    // Metafiles and icons keep their own transparency when a picture changes.
    virtual bool KeepsOwnTransparency() const { return false; }

    // Raised after every change of the graphic.
    std::function<void()> OnChange;
    // Progress of long operations (decoding): stage, percent, whether to redraw now.
    std::function<void(ProgressStage, int, bool)> OnProgress;

protected:
    void Changed()
    {
        if (OnChange) OnChange();
    }
    void Progress(ProgressStage stage, int percent, bool redrawNow = false, const char* message = "")
    {
        if (!OnProgress) return;
        progressMessage = message;
        OnProgress(stage, percent, redrawNow);
    }

public:
    // The message of the progress notification being sent ("Rendering...").
    const char* ProgressMessage() const { return progressMessage; }

private:
    bool transparent = false;
    const char* progressMessage = "";
};

}  // namespace galimo
