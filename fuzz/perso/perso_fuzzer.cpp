// Feeds arbitrary bytes, as a file, to the personalisation-file reader. Every value it
// hands over must be a piece of the file's own text, trimmed, under a key the line starts
// with; the number of lines must be what the breaks say. Anything else is a bug.
#include "about/persofile.h"
#include "platform/files/textfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace galimo;

namespace {
std::string FileName()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/perso-fuzz-" + std::to_string(::getpid()) + ".ini";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = FileName();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = bytes.substr(0, bytes.find('\x1a'));
    const QString whole = DecodeWindows1252(text);
    // Lines: one per CR, plus a last one without a break, none for an empty rest.
    size_t expected = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r') {
            ++expected;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (i + 1 == text.size())
            ++expected;

    size_t lines = 0;
    ReadPersoFile(path, [&](const PersoEntry& e) {
        ++lines;
        if (e.key == PersoKey::None) {
            if (!e.value.isEmpty()) __builtin_trap();
            return;
        }
        if (!whole.contains(e.value)) __builtin_trap();
        if (!e.value.isEmpty() && (e.value.front().unicode() <= 32 || e.value.back().unicode() <= 32)) __builtin_trap();
    });
    if (lines != expected) __builtin_trap();
    ::unlink(path.c_str());
    return 0;
}
