// galimo-gifdump FILE [--frames DIR] [--composed DIR]: what the GIF reader makes of a file.
// The header, the colour tables, each frame with its extensions, the warnings in the order
// they came, and on failure the message (exit status 1). With --frames, each frame's own
// pixels are written through its colours as DIR/frame-NNN.ppm and its colour indexes as
// .pgm. With --composed, the animation's work bitmap after each composition of one pass,
// starting from white, as DIR/composed-NNN.ppm, listed with the wait planned before it.
#include "gif/gifimage.h"
#include "gif/gifpainter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

using namespace galimo;

namespace {

std::string Hex(unsigned v, int digits = 2)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

std::string Quoted(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20 || c >= 0x7F)
            out += "\\x" + Hex(c);
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

void PrintColors(const char* title, const TGIFColorMap& map)
{
    std::cout << title << ": " << map.ColorCount() << " entries\n";
    for (int i = 0; i < map.ColorCount(); ++i) {
        if (i % 8 == 0) std::cout << "  " << (i < 10 ? "  " : i < 100 ? " " : "") << i << ":";
        const TGIFColor& c = map[i];
        std::cout << " #" << Hex(c.Red) << Hex(c.Green) << Hex(c.Blue);
        if (i % 8 == 7 || i + 1 == map.ColorCount()) std::cout << "\n";
    }
}

void PrintExtension(const TGIFExtension& ext)
{
    if (auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(&ext)) {
        std::cout << "  graphic control: disposal " << gce->DisposalMethod() << ", delay " << gce->DelayTime
                  << " (1/100 s), transparency " << (gce->TransparentColorFlag() ? "on" : "off") << ", transparent index "
                  << int(gce->TransparentIndex) << ", user input " << (gce->UserInputFlag() ? "yes" : "no") << "\n";
    } else if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&ext)) {
        std::cout << "  loop (" << loop->IdentifierText() << "): loop count " << loop->LoopCount
                  << (loop->LoopCount == 0 ? " (forever)" : "") << ", buffer bytes " << loop->BufferBytes << "\n";
    } else if (auto* app = dynamic_cast<const TGIFUnknownAppExtension*>(&ext)) {
        size_t bytes = 0;
        for (const auto& b : app->RawBlocks) bytes += b.Data.size();
        std::cout << "  application " << Quoted(app->IdentifierText()) << ": " << app->RawBlocks.size() << " sub-blocks, "
                  << bytes << " bytes\n";
    } else if (auto* comment = dynamic_cast<const TGIFCommentExtension*>(&ext)) {
        std::cout << "  comment:";
        for (const auto& line : comment->Lines) std::cout << " " << Quoted(line);
        std::cout << "\n";
    } else if (auto* text = dynamic_cast<const TGIFTextExtension*>(&ext)) {
        std::cout << "  plain text: grid " << text->GridLeft << "," << text->GridTop << " " << text->GridWidth << "x"
                  << text->GridHeight << ", cell " << int(text->CellWidth) << "x" << int(text->CellHeight) << ", colours "
                  << int(text->ForegroundIndex) << " on " << int(text->TextBackgroundIndex) << ":";
        for (const auto& line : text->Lines) std::cout << " " << Quoted(line);
        std::cout << "\n";
    } else {
        std::cout << "  extension 0x" << Hex(ext.ExtensionLabel()) << "\n";
    }
}

bool WriteFrames(const TGIFImage& image, const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int n = 0; n < image.Images().Count(); ++n) {
        const TGIFSubImage& frame = image.Images()[n];
        char name[32];
        std::snprintf(name, sizeof name, "frame-%03d", n);
        if (!frame.Pixels()) {
            std::cout << name << ": no pixels, nothing written\n";
            continue;
        }
        const TGIFColorMap& colors = frame.EffectiveColors();
        const std::string head = std::to_string(frame.Width) + " " + std::to_string(frame.Height) + "\n255\n";
        std::ofstream ppm(dir / (std::string(name) + ".ppm"), std::ios::binary);
        std::ofstream pgm(dir / (std::string(name) + ".pgm"), std::ios::binary);
        ppm << "P6\n" << head;
        pgm << "P5\n" << head;
        std::string rgb;
        rgb.reserve(frame.PixelCount() * 3u);
        for (uint32_t i = 0; i < frame.PixelCount(); ++i) {
            const int index = frame.Pixels()[i];
            if (colors.ColorCount() == 0) {
                // No colour table at all: show the indexes as grey levels.
                rgb.append(3, static_cast<char>(index));
            } else {
                // Indexes past the table are black, as the drawing shows them.
                static const TGIFColor black{0, 0, 0};
                const TGIFColor& c = index < colors.ColorCount() ? colors[index] : black;
                rgb += static_cast<char>(c.Red);
                rgb += static_cast<char>(c.Green);
                rgb += static_cast<char>(c.Blue);
            }
        }
        ppm.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
        pgm.write(reinterpret_cast<const char*>(frame.Pixels()), frame.PixelCount());
        if (!ppm || !pgm) {
            std::cerr << "galimo-gifdump: cannot write " << (dir / name).string() << "\n";
            return false;
        }
    }
    return true;
}

bool WriteComposed(TGIFImage& image, const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    int n = 0;
    bool ok = true;
    try {
        ComposeOnePass(image, [&](int frame, int waitMs, const QImage& work) {
            char name[32];
            std::snprintf(name, sizeof name, "composed-%03d.ppm", n++);
            std::cout << "composed " << name << ": frame " << frame << ", after " << waitMs << " ms\n";
            std::ofstream ppm(dir / name, std::ios::binary);
            ppm << "P6\n" << work.width() << " " << work.height() << "\n255\n";
            std::string rgb;
            rgb.reserve(static_cast<size_t>(work.width()) * work.height() * 3);
            for (int y = 0; y < work.height(); ++y)
                for (int x = 0; x < work.width(); ++x) {
                    const QRgb c = work.pixel(x, y);
                    rgb += static_cast<char>(qRed(c));
                    rgb += static_cast<char>(qGreen(c));
                    rgb += static_cast<char>(qBlue(c));
                }
            ppm.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
            if (!ppm) {
                std::cerr << "galimo-gifdump: cannot write " << (dir / name).string() << "\n";
                ok = false;
            }
        });
    } catch (const std::exception& e) {
        std::cout << "composition error: " << e.what() << "\n";
        return false;
    }
    return ok;
}

int Usage()
{
    std::cerr << "usage: galimo-gifdump FILE [--frames DIR] [--composed DIR]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string file, framesDir, composedDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc)
            framesDir = argv[++i];
        else if (arg == "--composed" && i + 1 < argc)
            composedDir = argv[++i];
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else if (file.empty())
            file = arg;
        else
            return Usage();
    }
    if (file.empty()) return Usage();

    TGIFImage image;
    std::vector<std::string> warnings;
    image.OnWarn = [&](const TGIFPersistent*, int severity, const std::string& message) {
        warnings.push_back(message + (severity != 1 ? " (severity " + std::to_string(severity) + ")" : ""));
    };
    std::string error;
    int64_t size = 0;
    try {
        TFileStream stream(file);
        size = stream.Size();
        image.LoadFromStream(stream);
    } catch (const EFOpenError& e) {
        std::cerr << "galimo-gifdump: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        error = e.what();
    }

    const TGIFHeader& h = image.Header();
    std::cout << "file " << file << ", " << size << " bytes\n";
    if (error.empty() || h.ScreenWidth || h.ScreenHeight || !image.Images().Empty()) {
        std::cout << "header: " << std::string(h.Signature, 3) << std::string(h.Version, 3) << ", screen " << h.ScreenWidth
                  << "x" << h.ScreenHeight << ", flags 0x" << Hex(h.ScreenFlags) << " (global table "
                  << ((h.ScreenFlags & 0x80) ? "yes" : "no") << ", colour resolution " << (((h.ScreenFlags >> 4) & 7) + 1)
                  << " bits, sorted " << ((h.ScreenFlags & 8) ? "yes" : "no") << "), background index "
                  << int(h.BackgroundIndex) << ", pixel aspect " << int(h.PixelAspect) << "\n";
        PrintColors("global colours", h.GlobalColors);
    }
    std::cout << "frames: " << image.Images().Count() << "\n";
    for (int n = 0; n < image.Images().Count(); ++n) {
        const TGIFSubImage& f = image.Images()[n];
        std::cout << "frame " << n << ": position " << f.Left << "," << f.Top << ", size " << f.Width << "x" << f.Height
                  << ", flags 0x" << Hex(f.ImageFlags) << " (interlaced " << (f.IsInterlaced() ? "yes" : "no")
                  << ", local table " << (f.HasLocalColorTable() ? "yes" : "no") << ")"
                  << (f.Pixels() ? "" : ", no image data") << (f.HasTransparency ? ", transparent" : "") << "\n";
        for (const auto& ext : f.Extensions) PrintExtension(*ext);
        if (f.LocalColors.ColorCount() > 0) PrintColors("  local colours", f.LocalColors);
    }
    std::cout << "warnings: " << warnings.size() << "\n";
    for (size_t i = 0; i < warnings.size(); ++i) std::cout << "  " << i + 1 << ". " << warnings[i] << "\n";
    if (!error.empty()) {
        std::cout << "error: " << error << "\n";
        return 1;
    }
    if (!framesDir.empty() && !WriteFrames(image, framesDir)) return 2;
    if (!composedDir.empty() && !WriteComposed(image, composedDir)) return 2;
    return 0;
}
