#include "platform/display/xscreen.h"

#include "platform/display/displaymode.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace galimo {

namespace {

struct ResourcesFree {
    void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
struct OutputFree {
    void operator()(XRROutputInfo* o) const { XRRFreeOutputInfo(o); }
};
struct CrtcFree {
    void operator()(XRRCrtcInfo* c) const { XRRFreeCrtcInfo(c); }
};
using ResourcesPtr = std::unique_ptr<XRRScreenResources, ResourcesFree>;
using OutputPtr = std::unique_ptr<XRROutputInfo, OutputFree>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, CrtcFree>;

// One connection of our own for the whole run, opened at the first question: it works
// before Qt has connected (module start-up) and needs nothing of Qt's. Opening a
// connection per question is not an option: a server refuses some of a quick series of
// connections without a word. Every answer is asked of the server, never of what Xlib
// cached when it connected, so it is the screen's state at that moment.
class XConnection {
public:
    ~XConnection()
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    // The display, or nullptr when no server answers; a later call tries again.
    Display* Get()
    {
        for (int attempt = 0; !dpy_ && attempt < 3; ++attempt)
            dpy_ = XOpenDisplay(nullptr);
        return dpy_;
    }
    std::mutex& Lock() { return lock_; }

private:
    Display* dpy_ = nullptr;
    std::mutex lock_;
};

XConnection& Connection()
{
    static XConnection connection;
    return connection;
}

// Size of the X screen as a whole, asked of the server.
ScreenSize RootSize(Display* dpy)
{
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, DefaultRootWindow(dpy), &root, &x, &y, &width, &height, &border, &depth))
        return {DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy))};
    return {int(width), int(height)};
}

// Xlib's default error handler ends the process. While a trap lives, errors are counted
// instead. The handler is process-wide; everything here runs on the UI thread and the trap
// syncs before it puts the previous handler back.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* dpy) : dpy_(dpy), previous_(XSetErrorHandler(&XErrorTrap::Count)) { errors_ = 0; }
    ~XErrorTrap()
    {
        XSync(dpy_, False);
        XSetErrorHandler(previous_);
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    bool Failed()
    {
        XSync(dpy_, False);
        return errors_ != 0;
    }
    // Forgets the errors so far: a question whose error is an answer.
    void Clear()
    {
        XSync(dpy_, False);
        errors_ = 0;
    }

private:
    static int Count(Display*, XErrorEvent*)
    {
        ++errors_;
        return 0;
    }
    static inline int errors_ = 0;
    Display* dpy_;
    XErrorHandler previous_;
};

struct RandRVersion {
    int major = 0;
    int minor = 0;
    bool AtLeast(int ma, int mi) const { return major > ma || (major == ma && minor >= mi); }
};

RandRVersion QueryRandR(Display* dpy)
{
    int eventBase = 0, errorBase = 0;
    RandRVersion v;
    if (!XRRQueryExtension(dpy, &eventBase, &errorBase) || !XRRQueryVersion(dpy, &v.major, &v.minor))
        return {};
    return v;
}

ResourcesPtr Resources(Display* dpy, const RandRVersion& v)
{
    Window root = DefaultRootWindow(dpy);
    // The "current" query does not make the server probe the outputs again (slow on real
    // hardware, and it may flicker the screen).
    return ResourcesPtr(v.AtLeast(1, 3) ? XRRGetScreenResourcesCurrent(dpy, root) : XRRGetScreenResources(dpy, root));
}

// The primary screen of the platform the program was written for is the output that X calls
// primary; without one, the first connected output that shows something.
struct PrimaryOutput {
    RROutput id = 0;
    OutputPtr output;
    CrtcPtr crtc;
};

// An output that is connected and shows something, with its CRTC.
std::optional<PrimaryOutput> FindOutput(Display* dpy, XRRScreenResources* res, RROutput id)
{
    OutputPtr out(XRRGetOutputInfo(dpy, res, id));
    if (!out || out->connection != RR_Connected || out->crtc == 0)
        return std::nullopt;
    CrtcPtr crtc(XRRGetCrtcInfo(dpy, res, out->crtc));
    if (!crtc || crtc->mode == 0)
        return std::nullopt;
    return PrimaryOutput{id, std::move(out), std::move(crtc)};
}

std::optional<PrimaryOutput> FindPrimary(Display* dpy, XRRScreenResources* res, const RandRVersion& v)
{
    auto tryOutput = [&](RROutput id) { return FindOutput(dpy, res, id); };
    if (v.AtLeast(1, 3)) {
        RROutput primary = XRRGetOutputPrimary(dpy, DefaultRootWindow(dpy));
        if (primary != 0)
            if (auto found = tryOutput(primary))
                return found;
    }
    for (int i = 0; i < res->noutput; ++i)
        if (auto found = tryOutput(res->outputs[i]))
            return found;
    return std::nullopt;
}

}  // namespace

std::optional<ScreenSize> X11ScreenSize()
{
    if (auto mode = X11CurrentMode())
        return ScreenSize{mode->width, mode->height};
    // No RandR or no lit output: the X screen as a whole.
    std::lock_guard hold(Connection().Lock());
    Display* dpy = Connection().Get();
    if (!dpy)
        return std::nullopt;
    return RootSize(dpy);
}

std::optional<int> X11BitsPerPixel()
{
    std::lock_guard hold(Connection().Lock());
    Display* dpy = Connection().Get();
    if (!dpy)
        return std::nullopt;
    int depth = DefaultDepth(dpy, DefaultScreen(dpy));
    // Depth 24 is stored in 32-bit pixels: report the storage, as the pixel formats do.
    int bits = depth;
    int count = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count)) {
        for (int i = 0; i < count; ++i)
            if (formats[i].depth == depth)
                bits = formats[i].bits_per_pixel;
        XFree(formats);
    }
    return bits;
}

namespace {

// SwitchOutput's answer when the output it was asked for is gone and nothing was changed.
constexpr int kNothingToPutBack = 1;

// The recorded output, if the server still lists it, is connected and shows something. An
// output id the server no longer knows is an X error: it is asked only when listed, and an
// error (it went between the two questions) means it is gone.
std::optional<PrimaryOutput> FindRecorded(Display* dpy, XRRScreenResources* res, RROutput id, XErrorTrap& trap)
{
    if (std::find(res->outputs, res->outputs + res->noutput, id) == res->outputs + res->noutput)
        return std::nullopt;
    std::optional<PrimaryOutput> found = FindOutput(dpy, res, id);
    if (trap.Failed()) {
        trap.Clear();
        return std::nullopt;
    }
    return found;
}

// The switch of one output to a mode: chosen by id when `exact` names one this output still
// offers, otherwise the first progressive mode of width x height. With `dryRun` nothing is
// changed: the answer says whether the switch would be made. A mode put back (`exact`) goes
// on the output that showed it; when that output is gone or disconnected, on the output now
// carrying the screen only while the screen is still at `switchedTo` (then `elsewhere` is
// set): an output the program never switched is left alone.
int SwitchOutput(int width, int height, const X11Mode* exact, bool dryRun, const ScreenSize* switchedTo = nullptr,
                 bool* elsewhere = nullptr)
{
    std::lock_guard hold(Connection().Lock());
    Display* dpy = Connection().Get();
    if (!dpy)
        return DISP_CHANGE_FAILED;
    XErrorTrap trap(dpy);
    RandRVersion v = QueryRandR(dpy);
    // Every X server of this century speaks RandR 1.2; an older one cannot switch an output.
    if (!v.AtLeast(1, 2))
        return DISP_CHANGE_FAILED;
    ResourcesPtr res = Resources(dpy, v);
    if (!res)
        return DISP_CHANGE_FAILED;
    // The output that was switched is the one put back, even if another is primary now.
    std::optional<PrimaryOutput> primary;
    if (exact && exact->output != 0) {
        primary = FindRecorded(dpy, res.get(), exact->output, trap);
        if (!primary) {
            primary = FindPrimary(dpy, res.get(), v);
            if (!primary || !switchedTo || int(primary->crtc->width) != switchedTo->width ||
                int(primary->crtc->height) != switchedTo->height)
                return trap.Failed() ? DISP_CHANGE_FAILED : kNothingToPutBack;
            if (elsewhere)
                *elsewhere = true;
        }
    } else {
        primary = FindPrimary(dpy, res.get(), v);
    }
    if (!primary || trap.Failed())
        return DISP_CHANGE_FAILED;
    XRRCrtcInfo& crtc = *primary->crtc;

    // A turned output shows its mode sideways: the mode's own size is the other way round.
    const bool sideways = (crtc.rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
    const unsigned modeWidth = unsigned(sideways ? height : width);
    const unsigned modeHeight = unsigned(sideways ? width : height);
    // The output lists its modes best first; the first progressive one of the size wins, the
    // refresh rate being left to the driver's preference. A mode asked for by id wins while
    // the output still offers it.
    auto offered = [&](int i) -> const XRRModeInfo* {
        for (int m = 0; m < res->nmode; ++m)
            if (res->modes[m].id == primary->output->modes[i])
                return &res->modes[m];
        return nullptr;
    };
    RRMode chosen = 0;
    bool chosenInterlaced = false;
    for (int i = 0; i < primary->output->nmode; ++i) {
        const XRRModeInfo* info = offered(i);
        if (!info || info->width != modeWidth || info->height != modeHeight)
            continue;
        if (exact && info->id == exact->mode) {
            chosen = info->id;
            break;
        }
        const bool interlaced = (info->modeFlags & RR_Interlace) != 0;
        if (chosen == 0 || (chosenInterlaced && !interlaced)) {
            chosen = info->id;
            chosenInterlaced = interlaced;
        }
    }
    // Already there: the exact mode when one is asked for, the size otherwise.
    const bool sameSize = int(crtc.width) == width && int(crtc.height) == height;
    if (exact ? crtc.mode == chosen || (chosen == 0 && sameSize) : sameSize)
        return DISP_CHANGE_SUCCESSFUL;
    if (chosen == 0)
        return DISP_CHANGE_BADMODE;

    // The X screen must hold every lit output, the switched one at its new size.
    int newWidth = 0, newHeight = 0;
    for (int c = 0; c < res->ncrtc; ++c) {
        if (res->crtcs[c] == primary->output->crtc) {
            newWidth = std::max(newWidth, crtc.x + width);
            newHeight = std::max(newHeight, crtc.y + height);
            continue;
        }
        CrtcPtr other(XRRGetCrtcInfo(dpy, res.get(), res->crtcs[c]));
        if (other && other->mode != 0) {
            newWidth = std::max(newWidth, other->x + int(other->width));
            newHeight = std::max(newHeight, other->y + int(other->height));
        }
    }
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    if (XRRGetScreenSizeRange(dpy, DefaultRootWindow(dpy), &minWidth, &minHeight, &maxWidth, &maxHeight)) {
        newWidth = std::max(newWidth, minWidth);
        newHeight = std::max(newHeight, minHeight);
        if (newWidth > maxWidth || newHeight > maxHeight)
            return DISP_CHANGE_BADMODE;
    }
    if (dryRun)
        return DISP_CHANGE_SUCCESSFUL;
    const ScreenSize old = RootSize(dpy);
    const int oldWidth = old.width;
    const int oldHeight = old.height;
    // Keep the physical size per pixel, so that the resolution the desktop computes stays
    // put. The pixel and millimetre sizes Xlib took at connection form that ratio; every
    // switch keeps it, so they stay right although the screen has changed since.
    const int screen = DefaultScreen(dpy);
    auto millimetres = [](int pixels, int refPixels, int refMm) {
        return refPixels > 0 && refMm > 0 ? int(std::lround(double(pixels) * refMm / refPixels))
                                          : int(std::lround(pixels * 25.4 / 96));
    };
    auto setScreen = [&](int w, int h) {
        XRRSetScreenSize(dpy, DefaultRootWindow(dpy), w, h,
                         millimetres(w, DisplayWidth(dpy, screen), DisplayWidthMM(dpy, screen)),
                         millimetres(h, DisplayHeight(dpy, screen), DisplayHeightMM(dpy, screen)));
    };

    // The output must fit the screen at every step: grow the screen first, shrink it last.
    // The server is held meanwhile so that no client sees the half-done state.
    XGrabServer(dpy);
    const int growWidth = std::max(oldWidth, newWidth);
    const int growHeight = std::max(oldHeight, newHeight);
    if (growWidth != oldWidth || growHeight != oldHeight)
        setScreen(growWidth, growHeight);
    Status status = XRRSetCrtcConfig(dpy, res.get(), primary->output->crtc, CurrentTime, crtc.x, crtc.y, chosen,
                                     crtc.rotation, crtc.outputs, crtc.noutput);
    const bool switched = status == RRSetConfigSuccess && !trap.Failed();
    if (!switched) {
        if (growWidth != oldWidth || growHeight != oldHeight)
            setScreen(oldWidth, oldHeight);
    } else if (newWidth != growWidth || newHeight != growHeight) {
        setScreen(newWidth, newHeight);
    }
    XUngrabServer(dpy);
    if (trap.Failed() || !switched)
        return DISP_CHANGE_FAILED;
    return DISP_CHANGE_SUCCESSFUL;
}

}  // namespace

std::optional<X11Mode> X11CurrentMode()
{
    std::lock_guard hold(Connection().Lock());
    Display* dpy = Connection().Get();
    if (!dpy)
        return std::nullopt;
    XErrorTrap trap(dpy);
    RandRVersion v = QueryRandR(dpy);
    if (!v.AtLeast(1, 2))
        return std::nullopt;
    ResourcesPtr res = Resources(dpy, v);
    if (!res)
        return std::nullopt;
    auto primary = FindPrimary(dpy, res.get(), v);
    if (!primary || trap.Failed())
        return std::nullopt;
    return X11Mode{primary->id, primary->crtc->mode, int(primary->crtc->width), int(primary->crtc->height)};
}

int X11ChangeSize(int width, int height) { return SwitchOutput(width, height, nullptr, false); }

bool X11CanChangeSize(int width, int height)
{
    return SwitchOutput(width, height, nullptr, true) == DISP_CHANGE_SUCCESSFUL;
}

X11Restored X11RestoreMode(const X11Mode& mode, const ScreenSize& switchedTo)
{
    bool elsewhere = false;
    const int result = SwitchOutput(mode.width, mode.height, &mode, false, &switchedTo, &elsewhere);
    if (result == kNothingToPutBack)
        return X11Restored::Nothing;
    if (result != DISP_CHANGE_SUCCESSFUL)
        return X11Restored::Failed;
    return elsewhere ? X11Restored::OnOtherOutput : X11Restored::Mode;
}

}  // namespace galimo
