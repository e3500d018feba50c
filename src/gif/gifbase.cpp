#include "gif/gifbase.h"

#include <cstring>

namespace galimo {

void ReadExact(TStream& stream, void* buffer, size_t count)
{
    if (stream.Read(buffer, count) != count) throw GIFException("Premature end of data");
}

uint8_t ReadByte(TStream& stream)
{
    uint8_t b;
    ReadExact(stream, &b, 1);
    return b;
}

void ReadTextBlocks(TStream& stream, std::vector<std::string>& lines)
{
    lines.clear();
    char buffer[255];
    for (;;) {
        const int k = TryReadByte(stream);
        if (k <= 0) return;
        ReadExact(stream, buffer, static_cast<size_t>(k));
        lines.emplace_back(buffer, strnlen(buffer, static_cast<size_t>(k)));
    }
}

}  // namespace galimo
