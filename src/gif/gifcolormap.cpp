#include "gif/gifcolormap.h"

#include <algorithm>

namespace galimo {

int TGIFColorMap::CapacityFor(int n)
{
    if (n <= 16) return 16;
    return std::min(256, (n + 31) / 32 * 32);
}

void TGIFColorMap::Reset()
{
    entries = {};
    count = 0;
}

void TGIFColorMap::Reserve(int n)
{
    if (Capacity() < n) entries.resize(static_cast<size_t>(CapacityFor(n)));
}

void TGIFColorMap::LoadEntries(TStream& stream, int n)
{
    Reset();
    Reserve(n);
    static_assert(sizeof(TGIFColor) == 3);
    ReadExact(stream, entries.data(), static_cast<size_t>(n) * 3);
    count = n;
}

void TGIFColorMap::Add(TGIFColor color)
{
    if (count >= 256) throw GIFException("Color table is full");
    Reserve(count + 1);
    entries[static_cast<size_t>(count++)] = color;
}

TColor TGIFColorMap::ColorAt(int index) const
{
    if (index < 0 || index >= count) {
        Warn(1, "Invalid color index");
        if (count == 0) throw GIFException("Color table is empty");
        index = 0;
    }
    const TGIFColor& c = entries[static_cast<size_t>(index)];
    return TColor(c.Red) | (TColor(c.Green) << 8) | (TColor(c.Blue) << 16);
}

std::optional<TLogPalette> TGIFColorMap::ToPalette() const
{
    if (count == 0) return std::nullopt;
    TLogPalette palette;
    palette.Entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TGIFColor& c = entries[static_cast<size_t>(i)];
        palette.Entries.push_back({c.Red, c.Green, c.Blue, PC_NOCOLLAPSE});
    }
    return palette;
}

void TGIFColorMap::CopyFrom(const TGIFColorMap& source)
{
    entries = source.entries;
    count = source.count;
    Sorted = source.Sorted;
}

void TGIFGlobalColorMap::Warn(int severity, const std::string& message) const
{
    WarnImage(header ? header->Image() : nullptr, this, severity, message);
}

void TGIFLocalColorMap::Warn(int severity, const std::string& message) const
{
    WarnImage(frame ? frame->Image() : nullptr, this, severity, message);
}

}  // namespace galimo
