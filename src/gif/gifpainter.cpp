#include "gif/gifpainter.h"

#include "gif/gifimage.h"
#include "gif/gifrender.h"
#include "platform/core/arith.h"

#include <QPainter>
#include <chrono>

namespace galimo {

namespace {

class TSteadyPainterClock : public TPainterClock {
public:
    int64_t Now() override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    bool Wait(TAutoResetEvent& event, int ms) override { return event.WaitFor(ms); }
};

QColor FromTColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

std::unique_ptr<TBitmap> NewBuffer(const TRect& rect, const QImage* content, const QColor& fill)
{
    auto buffer = std::make_unique<TBitmap>(rect.Width(), rect.Height(), TPixelFormat::pf24bit);
    buffer->Canvas().BrushColor = fill;
    if (content) buffer->Canvas().DrawImage(0, 0, content->copy(rect.ToQRect()));
    return buffer;
}

// Copies source whole into rect of destination, replacing what was there.
void CopyInto(TBitmap& destination, const TRect& rect, const QImage& source)
{
    destination.Canvas().WithPainter([&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(rect.ToQRect(), source);
    });
    destination.Canvas().OnChange();
}

}  // namespace

TPainterClock& SteadyPainterClock()
{
    static TSteadyPainterClock clock;
    return clock;
}

TGIFPainter::TGIFPainter(TGIFImage& picture, TBitmap& target, const TRect& rect, uint16_t options, TPainterClock& clock)
    : image(&picture), target(target), rect(rect), options(options), speed(picture.AnimationSpeed), clock(clock)
{
    if ((options & DrawBackgroundThread) && (options & DrawAnimate) && picture.Images().Count() > 1 && speed >= 0)
        event = std::make_unique<TAutoResetEvent>();
    if (picture.DrawBackgroundColor != NoDrawBackgroundColor)
        background = FromTColor(picture.DrawBackgroundColor);
    else if (picture.Header().GlobalColors.ColorCount() > 0)
        background = FromTColor(picture.Header().GlobalColors.ColorAt(picture.Header().BackgroundIndex));
    else
        background = Qt::white;  // the window colour
    bool disposals[8] = {};
    for (const auto& frame : picture.Images())
        if (frame->GraphicControl) disposals[frame->GraphicControl->DisposalMethod()] = true;
    const QImage& under = target.Image();
    if (disposals[2] && (options & DrawTransparent)) savedBackground = NewBuffer(rect, &under, background);
    if (disposals[2] || disposals[3]) {
        backup = NewBuffer(rect, &under, background);
        frameBuffer = NewBuffer(rect, nullptr, background);
    }
}

TGIFPainter::~TGIFPainter() { Join(); }

void TGIFPainter::Start(std::function<void()> onEnd)
{
    thread = std::thread([this, onEnd = std::move(onEnd)] {
        Execute();
        TUIThreadQueue::Instance().Post(onEnd);
    });
}

void TGIFPainter::Join()
{
    if (thread.joinable()) thread.join();
}

void TGIFPainter::Stop()
{
    terminated = true;
    if (event) event->Set();
}

void TGIFPainter::Notify(const TGIFPaintEvent& notification)
{
    if (!notification || terminated) return;
    TUIThreadQueue::Instance().Send([&] { notification(*this); });
}

void TGIFPainter::Execute()
{
    try {
        activeFrame = 0;
        Notify(Notifications.OnStartPaint);
        started = false;
        RunPasses();
        activeFrame = -1;
        Notify(Notifications.OnEndPaint);
    } catch (...) {
        // Kept for the cleanup on the UI thread, which shows it.
        terminated = true;
        keptError = std::current_exception();
        activeFrame = -1;
    }
}

void TGIFPainter::RunPasses()
{
    const TGIFImageList& frames = image->Images();
    int passes = 1, passStart = 0;
    bool loopSeen = false, composedAny = false;
    int wait = 0;  // delay units until it becomes milliseconds below
    previousDisposal = 1;
    int64_t t0 = clock.Now(), planned = 0;
    while (passes != 0 && !terminated) {
        activeFrame = passStart;
        if (composedAny) Notify(Notifications.OnLoop);
        while (activeFrame < frames.Count() && !terminated) {
            const int index = activeFrame;
            TGIFSubImage& frame = frames[index];
            if (!frame.Pixels() || frame.PixelCount() == 0 || frame.Width == 0 || frame.Height == 0) break;
            if (wait > 0) {
                RenderFrame(*image, frame);  // ahead of its time, so the UI thread only composes
                const int64_t t = clock.Now();
                wait = MulDiv(static_cast<int>(wait * MillisecondsPerDelayUnit - (t - t0 - planned) / 2), 100, speed);
                planned = wait;
                t0 = t;
                TAutoResetEvent never;  // a painter without a thread has no event
                if (wait > 0 && clock.Wait(event ? *event : never, wait)) {
                    planned = 0;
                    t0 = clock.Now();
                }
            } else {
                std::this_thread::yield();
            }
            if (terminated) break;
            Notify(Notifications.OnPaint);
            if (terminated) break;

            disposal = 1;
            for (const auto& ext : frame.Extensions) {
                if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get()); loop && !loopSeen) {
                    loopSeen = true;
                    passes = loop->LoopCount == 0 ? -1 : loop->LoopCount;
                    passStart = index;
                } else if (auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(ext.get())) {
                    disposal = control->DisposalMethod();
                }
            }
            if (!terminated) TUIThreadQueue::Instance().Send([this] { Compose(); });
            composedAny = true;
            previousDisposal = disposal;
            if (terminated) break;

            wait = DefaultDelay;
            if (frame.GraphicControl && frame.GraphicControl->DelayTime != 0)
                wait = std::max<int>(frame.GraphicControl->DelayTime, MinimumDelay);
            Notify(Notifications.OnAfterPaint);
            if (terminated) break;
            if (activeFrame == index) activeFrame = index + 1;
        }
        if (passes > 0) --passes;
    }
}

void TGIFPainter::Compose()
{
    if (terminated) return;
    TGIFSubImage& frame = image->Images()[activeFrame];
    // The target is true colour: frame palettes need no selecting.
    if (!backup) {
        // No frame restores anything: frames pile up, disposal has no effect.
        DrawFrame(*image, frame, target.Canvas(), rect);
        started = true;
        return;
    }
    const TRect full{0, 0, rect.Width(), rect.Height()};
    const int d = disposal, p = previousDisposal;
    if (d <= 2) {
        DrawFrame(*image, frame, backup->Canvas(), full);
        CopyInto(target, rect, backup->Image());
        if (d == 2) RestoreBackground();
    } else if (d == 3 && p <= 1) {
        // Straight onto the target: the backup still holds the state before this frame.
        DrawFrame(*image, frame, target.Canvas(), rect);
    } else if (d == 3 && p <= 3) {
        CopyInto(*frameBuffer, full, backup->Image());
        DrawFrame(*image, frame, frameBuffer->Canvas(), full);
        CopyInto(target, rect, frameBuffer->Image());
    }
    // Disposal 4 to 7 beside 2 or 3, and 3 after them: not drawn.
    started = true;
}

void TGIFPainter::RestoreBackground()
{
    const TGIFSubImage& frame = image->Images()[activeFrame];
    const TRect area = ScaleFrameRect(*image, frame, {0, 0, backup->Width(), backup->Height()});
    if ((options & DrawTransparent) && savedBackground) {
        CopyInto(*backup, area, savedBackground->Image().copy(area.ToQRect()));
    } else {
        backup->Canvas().BrushColor = background;
        backup->Canvas().FillRect(area);
    }
}

namespace {

// Time that passes only by the planned waits: each composition lands exactly on time.
class TPlannedClock : public TPainterClock {
public:
    int64_t Now() override { return now; }
    bool Wait(TAutoResetEvent&, int ms) override
    {
        lastWait = ms;
        now += ms;
        return false;
    }
    int64_t now = 0;
    int lastWait = 0;
};

}  // namespace

void ComposeOnePass(TGIFImage& image, const TComposedState& composed)
{
    if (image.Images().Empty() || image.Width() <= 0 || image.Height() <= 0) return;
    TBitmap work(image.Width(), image.Height(), TPixelFormat::pf24bit);
    work.Canvas().BrushColor = Qt::white;
    work.Canvas().FillRect({0, 0, image.Width(), image.Height()});
    TPlannedClock clock;
    TGIFPainter painter(image, work, {0, 0, image.Width(), image.Height()}, image.DrawOptions, clock);
    painter.Notifications.OnAfterPaint = [&](TGIFPainter& p) {
        composed(p.ActiveFrame(), clock.lastWait, work.Image());
        clock.lastWait = 0;
    };
    painter.Notifications.OnLoop = [](TGIFPainter& p) { p.Stop(); };
    painter.Execute();
    if (painter.KeptError()) std::rethrow_exception(painter.KeptError());
}

// --- the picture's side -----------------------------------------------------------------

void TGIFPainterDeleter::operator()(TGIFPainter* painter) const { delete painter; }

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect)
{
    if (drawing || images.Empty()) return;
    drawing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{drawing};
    if (images.Count() == 1 || !(DrawOptions & DrawAnimate)) {
        DrawFrame(*this, images[0], canvas, rect);
        return;
    }
    // A picture without any colour table fails here, as a single frame does: once, to the
    // caller of the draw, rather than from a painter thread after the draw has returned.
    if (!DitherApplies(*this)) FramePalette(*this, images[0]);
    AnimatedDraw(*this, canvas, rect);
}

void TGIFImage::EndPainter(TGIFPainter* painter)
{
    std::exception_ptr error;
    {
        std::lock_guard lock(painterLock);
        if (drawPainter == painter) drawPainter = nullptr;
        painter->Join();
        error = painter->KeptError();
        for (auto it = painters.begin(); it != painters.end(); ++it)
            if (it->get() == painter) {
                painters.erase(it);
                break;
            }
    }
    TUIThreadQueue::Instance().Wake();
    if (error) std::rethrow_exception(error);  // to the application's handler
}

void TGIFImage::StopDraw()
{
    for (;;) {
        {
            std::lock_guard lock(painterLock);
            if (!drawPainter) break;
            drawPainter->Stop();
        }
        TUIThreadQueue::Instance().ServeUntil([this] { return drawPainter == nullptr; });
    }
    workBitmap.reset();
}

void TGIFImage::StopAllPainters()
{
    for (;;) {
        {
            std::lock_guard lock(painterLock);
            if (painters.empty()) break;
            for (auto it = painters.rbegin(); it != painters.rend(); ++it) (*it)->Stop();
        }
        // Never killed: each painter ends after its current request, which is served here.
        TUIThreadQueue::Instance().ServeUntil([this] { return painters.empty(); });
    }
    StopDraw();
}

void AnimatedDraw(TGIFImage& image, TCanvas& canvas, const TRect& rect)
{
    if (image.workBitmap) {
        image.workBitmap->Draw(canvas, rect);
        return;
    }
    std::lock_guard lock(image.painterLock);
    image.StopDraw();
    TUIThreadQueue& queue = TUIThreadQueue::Instance();
    queue.Attach();
    auto work = std::make_unique<TBitmap>(image.Width(), image.Height(), TPixelFormat::pf24bit);
    work->OnChange = [&image] { image.Changed(); };
    const TRect full{0, 0, image.Width(), image.Height()};
    if (!work->Empty() && rect.Width() > 0 && rect.Height() > 0) {
        // What lies under the picture is where the animation starts from.
        const QImage under = canvas.CopyArea(rect);
        work->Canvas().WithPainter([&](QPainter& p) {
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.drawImage(full.ToQRect(), under);
        });
    }
    image.workBitmap = std::move(work);
    if (image.Images().Empty() || full.Width() <= 0 || full.Height() <= 0) {
        image.drawPainter = nullptr;
        return;
    }
    std::unique_ptr<TGIFPainter, TGIFPainterDeleter> painter(new TGIFPainter(
        image, *image.workBitmap, full, image.DrawOptions, image.PainterClock ? *image.PainterClock : SteadyPainterClock()));
    painter->Notifications = image.PaintNotifications;
    TGIFPainter* p = painter.get();
    image.painters.push_back(std::move(painter));
    image.drawPainter = p;
    p->Start([&image, p] { image.EndPainter(p); });
    queue.ServeUntil([&] { return !image.drawPainter || image.drawPainter->Terminated() || image.drawPainter->Started(); });
    image.workBitmap->Draw(canvas, rect);
}

}  // namespace galimo
