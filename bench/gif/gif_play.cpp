// gif_play FILE SECONDS [FRAMES]: plays an animation as the photo view does (a Qt event
// loop serves the painter) for SECONDS or until FRAMES compositions, then prints
//   - the pacing error: each composition's interval minus its planned delay (mean, worst);
//   - the CPU share of one core taken by the whole process;
//   - the UI thread's CPU time per composed frame;
//   - peak memory against the decoded index bytes plus one work bitmap.
// Timing is measured, never asserted: this is the closing note's source, not a test.
#include "gif/gifimage.h"
#include "gif/gifpainter.h"
#include "gif/gifrender.h"
#include "picture/bitmap.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace galimo;

namespace {

double ThreadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double ProcessCpuMs()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long PeakKiB()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

int DelayMs(const TGIFSubImage& frame)
{
    const int units = frame.GraphicControl && frame.GraphicControl->DelayTime ? std::max<int>(frame.GraphicControl->DelayTime, MinimumDelay)
                                                                             : DefaultDelay;
    return units * MillisecondsPerDelayUnit;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: gif_play FILE SECONDS [FRAMES]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    InitGIFModule(32);
    const double seconds = std::atof(argv[2]);
    const long maxFrames = argc > 3 ? std::atol(argv[3]) : -1;

    const long baseKiB = PeakKiB();
    TGIFImage image;
    {
        TFileStream stream(argv[1]);
        image.LoadFromStream(stream);
    }
    int64_t indexBytes = 0;
    for (const auto& f : image.Images()) indexBytes += f->PixelCount();

    using Clock = std::chrono::steady_clock;
    std::vector<double> errors;
    Clock::time_point last;
    int lastFrame = -1;
    long compositions = 0;
    image.PaintNotifications.OnAfterPaint = [&](TGIFPainter& p) {
        const auto now = Clock::now();
        if (lastFrame >= 0)
            errors.push_back(std::chrono::duration<double, std::milli>(now - last).count() - DelayMs(image.Images()[lastFrame]));
        last = now;
        lastFrame = p.ActiveFrame();
        if (++compositions == maxFrames) QCoreApplication::quit();
    };

    const double cpu0 = ProcessCpuMs(), ui0 = ThreadCpuMs();
    const auto start = Clock::now();
    TBitmap target(image.Width(), image.Height(), TPixelFormat::pf24bit);
    target.Canvas().StretchDraw({0, 0, image.Width(), image.Height()}, &image);  // starts the painter
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpu = ProcessCpuMs() - cpu0, ui = ThreadCpuMs() - ui0;
    image.StopAllPainters();

    double sum = 0, worst = 0;
    for (double e : errors) {
        sum += e;
        worst = std::max(worst, std::fabs(e));
    }
    const int64_t workBytes = int64_t(image.Width()) * image.Height() * 4;
    std::printf("file %s: %dx%d, %d frames\n", argv[1], image.Width(), image.Height(), image.Images().Count());
    std::printf("compositions %ld in %.0f ms\n", compositions, wall);
    std::printf("pacing error over %zu intervals: mean %+.2f ms, worst %.2f ms\n", errors.size(),
                errors.empty() ? 0.0 : sum / errors.size(), worst);
    std::printf("CPU: %.2f %% of one core (process)\n", 100.0 * cpu / wall);
    std::printf("UI thread CPU per composed frame: %.3f ms\n", compositions ? ui / compositions : 0.0);
    std::printf("peak memory: %.1f MiB above start (%.1f MiB total); index bytes %.1f MiB + work bitmap %.1f MiB = %.1f MiB\n",
                (PeakKiB() - baseKiB) / 1024.0, PeakKiB() / 1024.0, indexBytes / 1048576.0, workBytes / 1048576.0,
                (indexBytes + workBytes) / 1048576.0);
    return 0;
}
