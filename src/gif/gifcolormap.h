// GIF colour tables: RGB triplets as they lie in the stream, grown by a fixed capacity
// rule. The global table belongs to the header, a local one to its frame; both pass their
// warnings to the picture.
#pragma once

#include "gif/gifbase.h"

#include <optional>

namespace galimo {

struct TGIFColor {
    uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const TGIFColor&) const = default;
};

// A logical palette as the platform describes one: version 0x300 and its entries.
struct TPaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};
struct TLogPalette {
    uint16_t Version = 0x300;
    std::vector<TPaletteEntry> Entries;
};
constexpr uint8_t PC_NOCOLLAPSE = 4;

// A colour value: red in bits 0-7, green in 8-15, blue in 16-23.
using TColor = uint32_t;

class TGIFColorMap : public TGIFPersistent {
public:
    TGIFColorMap() = default;
    TGIFColorMap(const TGIFColorMap&) = delete;
    TGIFColorMap& operator=(const TGIFColorMap&) = delete;

    virtual void Warn(int severity, const std::string& message) const = 0;

    // Drops every entry and the storage.
    void Reset();
    // Reads n entries (3 bytes each) in place of the present ones.
    void LoadEntries(TStream& stream, int n);
    // Appends one entry, growing the storage by the capacity rule.
    void Add(TGIFColor color);
    int ColorCount() const { return count; }
    int Capacity() const { return static_cast<int>(entries.size()); }
    const TGIFColor& operator[](int index) const { return entries[static_cast<size_t>(index)]; }
    const TGIFColor* Data() const { return entries.data(); }
    // The colour of an entry; an index outside the table warns and answers entry 0,
    // an empty table raises "Color table is empty".
    TColor ColorAt(int index) const;
    // Nothing when the table is empty.
    std::optional<TLogPalette> ToPalette() const;
    void CopyFrom(const TGIFColorMap& source);

    bool Sorted = false;  // only a writer would set it

    // The capacity for n entries: 16 up to 16, else the next multiple of 32, at most 256.
    static int CapacityFor(int n);

private:
    void Reserve(int n);

    std::vector<TGIFColor> entries;  // size() is the capacity
    int count = 0;
};

// A colour table warns through the item that holds it: the header, or a frame.
class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(const TGIFItem* header) : header(header) {}
    void Warn(int severity, const std::string& message) const override;

private:
    const TGIFItem* header;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(const TGIFItem* frame) : frame(frame) {}
    void Warn(int severity, const std::string& message) const override;

private:
    const TGIFItem* frame;
};

}  // namespace galimo
