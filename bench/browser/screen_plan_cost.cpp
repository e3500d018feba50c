// What deciding how to hold the screen costs at start-up, before the application object is
// made: on Wayland a first application object asks the compositor for the screen and goes;
// on X11 the server is asked directly. Prints the first decision's time (it loads the
// platform's libraries, which the application made next finds loaded) and the median of the
// rest, in milliseconds.
// Run it on the desktop to measure: screen_plan_cost [rounds].
#include "platform/display/screenplan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::vector<double> ms;
    galimo::TScreenPlan plan;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        plan = galimo::DecideScreenPlan(1, argv);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        galimo::RestoreSessionEnvironment();
    }
    const double first = ms.front();  // with the platform's libraries loaded, as the application's own start then finds them
    std::sort(ms.begin(), ms.end());
    const char* windowing = plan.Windowing == galimo::TWindowing::X11       ? "X11"
                            : plan.Windowing == galimo::TWindowing::Wayland ? "Wayland"
                                                                            : "other";
    std::printf("%s, %s, scale %.4g: deciding took %.1f ms the first time, then %.1f ms (median of %d)\n", windowing,
                plan.Hold == galimo::TScreenHold::Switch ? "switched" : "kept", plan.Scale, first, ms[ms.size() / 2],
                rounds);
}
