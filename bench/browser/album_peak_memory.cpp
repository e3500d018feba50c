// Peak memory of opening one album of camera photos in the main window, offscreen: the
// window starts on an empty album and the kernel's peak is reset before the opening, so the
// figure printed is what the opening adds.
// Run: album_peak_memory PHOTO [COUNT]   (COUNT links to PHOTO, 50 by default)
#include "albumbench.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The process's resident peak, in kilobytes (VmHWM).
long PeakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PHOTO [COUNT]\n", argv[0]);
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 50;
    albumbench::Medium medium;
    medium.Album("a", argv[1], 0);
    galimo::TDepart& window = medium.Window();
    medium.Album("b", argv[1], count);
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from the present size
    const long before = PeakKb();
    medium.Open("b");
    medium.ZoomPrepared();  // the photo's full size, made ahead of a zoom, counts too
    const long after = PeakKb();
    std::printf("album of %d photos: %d thumbnails, peak %ld kB before opening, %ld kB after (+%ld kB)\n", count,
                static_cast<int>(window.Thumbnails().size()), before, after, after - before);
    return 0;
}
