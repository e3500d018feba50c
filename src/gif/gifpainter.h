// TGIFPainter: plays a picture of several frames into its work bitmap. Its thread keeps
// the pace and renders each frame's bitmap ahead of time; every composition is handed to
// the UI thread, which carries it out while the thread waits, so the two never touch the
// same bitmap at once. Stops are cooperative: a flag, the wake-up event, and a join that
// keeps serving the painter's requests.
#pragma once

#include "gif/gifdrawoptions.h"
#include "picture/bitmap.h"
#include "platform/core/uithread.h"
#include "platform/drawing/canvas.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace galimo {

class TGIFImage;
class TGIFPainter;

TPainterClock& SteadyPainterClock();

class TGIFPainter {
public:
    // Composes into rect of target (the work bitmap). The buffers that disposal needs are
    // taken from what target holds now.
    TGIFPainter(TGIFImage& image, TBitmap& target, const TRect& rect, uint16_t options, TPainterClock& clock);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // The body: every pass, then the end. On the painter's thread (Start) or, without a
    // thread, on the caller's.
    void Execute();
    // Runs Execute on a thread of its own; when it ends, onEnd is queued for the UI thread.
    void Start(std::function<void()> onEnd);
    // Joins the thread, which has ended or is about to.
    void Join();

    // The flag, the event: a waiting painter wakes at once, a composing one ends after it.
    void Stop();
    bool Terminated() const { return terminated; }
    bool Started() const { return started; }
    int ActiveFrame() const { return activeFrame; }
    TGIFImage* Image() const { return image; }
    // The error that ended the body, if any.
    std::exception_ptr KeptError() const { return keptError; }

    // One composition of the active frame into the target (UI thread).
    void Compose();

    TGIFPaintNotifications Notifications;

private:
    void Notify(const TGIFPaintEvent& event);
    void RestoreBackground();
    void RunPasses();

    TGIFImage* image;
    TBitmap& target;
    TRect rect;
    uint16_t options;
    int speed;
    std::atomic<int> activeFrame{-1};
    int disposal = 1, previousDisposal = 1;
    std::unique_ptr<TBitmap> backup, frameBuffer, savedBackground;
    QColor background;
    std::atomic<bool> started{false};
    std::atomic<bool> terminated{false};
    std::unique_ptr<TAutoResetEvent> event;
    std::exception_ptr keptError;
    TPainterClock& clock;
    std::thread thread;
};

// One pass of the animation without a thread, composed as the painter composes it over a
// white work bitmap (what a thumbnail starts from): after each composition, the frame,
// the wait planned before it in milliseconds (0 for the first) and the work bitmap.
using TComposedState = std::function<void(int frame, int waitMs, const QImage& work)>;
void ComposeOnePass(TGIFImage& image, const TComposedState& composed);

// Steps 4 and 5 of drawing a picture of several frames: the work bitmap stretched into
// rect, made and animated on the first draw.
void AnimatedDraw(TGIFImage& image, TCanvas& canvas, const TRect& rect);

}  // namespace galimo
