// Peak memory of loading one JPEG file and drawing it into a 120 x 120 thumbnail, the way
// the thumbnail strip does. Run it under /usr/bin/time -v for the system's own figure; it
// also prints its resident peak before and after, so the cost of the picture itself is
// seen apart from the program's libraries:
//   jpeg_peak_memory FILE.jpg
#include "picture/bitmap.h"
#include "picture/jpegimage.h"
#include "picture/picture.h"

#include <QGuiApplication>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

// The process's resident peak (VmHWM), in kilobytes.
long PeakKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.jpg\n", argv[0]);
        return 2;
    }
    galimo::InitJPEGModule(32);
    {
        // Warm everything the draw touches once with a tiny bitmap, so the baseline holds
        // the program's own code and libraries.
        galimo::TBitmap warm(120, 120, galimo::TPixelFormat::pf24bit);
        warm.Canvas().FillRect({0, 0, 120, 120});
    }
    const long before = PeakKb();
    struct stat st {};
    stat(argv[1], &st);

    galimo::TPicture picture;
    picture.LoadFromFile(argv[1]);
    galimo::TBitmap thumbnail(120, 120, galimo::TPixelFormat::pf24bit);
    thumbnail.Canvas().BrushColor = Qt::white;
    thumbnail.Canvas().FillRect({0, 0, 120, 120});
    thumbnail.Canvas().StretchDraw({0, 0, 120, 120}, picture.Graphic());

    const long after = PeakKb();
    const double bitmapKb = 4.0 * picture.Width() * picture.Height() / 1024.0;
    const double fileKb = static_cast<double>(st.st_size) / 1024.0;
    std::printf("picture %d x %d, file %.0f KiB, bitmap %.0f KiB\n", picture.Width(), picture.Height(), fileKb,
                bitmapKb);
    std::printf("resident peak: %ld KiB before loading, %ld KiB after drawing, growth %ld KiB\n", before, after,
                after - before);
    std::printf("growth / (bitmap + file bytes) = %.3f\n", (after - before) / (bitmapKb + fileKb));
    return 0;
}
