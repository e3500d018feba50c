// How Galimo holds the screen, decided once at start-up, before the application object
// exists: switched to 800 x 600 where the windowing system can, otherwise kept in its mode
// with the 800 x 600 form drawn at the scale that fills it. The main window, the dialogs,
// the display settings and the single-instance name all read this one decision.
#pragma once

namespace galimo {

enum class TWindowing { X11, Wayland, Other };
enum class TScreenHold { Switch, Keep };

struct TScreenPlan {
    TWindowing Windowing = TWindowing::Other;
    TScreenHold Hold = TScreenHold::Switch;
    // Screen pixels per form pixel: 1 on a switched screen.
    double Scale = 1.0;
    // A compositor places separate windows where it likes: dialogs run inside the main
    // window's surface instead.
    bool DialogsInside = false;
};

// The scale at which an 800 x 600 form fills a screen of width x height pixels: it
// touches two opposite edges, never cut.
double FillScale(int width, int height);

// Looks at the display (through a short-lived application object where only the windowing
// system can tell the screen's size), decides, and sets what the application object made
// next reads: its scale factor. Call it first thing in main.
TScreenPlan DecideScreenPlan(int argc, char* argv[]);

// Gives the environment back as the session had it, once the application object has read
// it: programs started from Galimo (the mail program) are not scaled by our decision.
void RestoreSessionEnvironment();

// The decision in force. Until one is made, the windowing system is read from the running
// application (or the environment Qt will read it from), with the display switched and
// nothing scaled: what the tests and the tools see.
TScreenPlan ScreenPlan();
void SetScreenPlan(const TScreenPlan& plan);

}  // namespace galimo
