// The pieces every part of the GIF model shares: the root of the object tree, the items
// read from a stream, the owning lists, and the small stream readers. No Qt here: the
// reading side depends only on TStream.
#pragma once

#include "platform/core/exceptions.h"
#include "platform/files/stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace galimo {

class TGIFPictureCore;

// Memory bounds. A 30-byte file can announce 65535 x 65535 pixels; nothing real needs a
// frame above 2^28 pixels (16384 x 16384) or a picture above 2^30 pixels in all.
constexpr uint64_t MaxFramePixels = uint64_t(1) << 28;
constexpr uint64_t MaxPicturePixels = uint64_t(1) << 30;

// Root of the model's classes: what a warning names as its sender.
class TGIFPersistent {
public:
    virtual ~TGIFPersistent() = default;
};

// Anything read from the stream; knows the picture it belongs to, which hears its warnings.
class TGIFItem : public TGIFPersistent {
public:
    explicit TGIFItem(TGIFPictureCore* image) : image(image) {}
    TGIFPictureCore* Image() const { return image; }
    virtual void Warn(int severity, const std::string& message) const;
    virtual void LoadFromStream(TStream& stream) = 0;

protected:
    void SetImage(TGIFPictureCore* value) { image = value; }

private:
    TGIFPictureCore* image;
};

// An ordered list of owned items. Deleting an entry or emptying the list destroys them.
template <class T>
class TGIFList : public TGIFPersistent {
public:
    explicit TGIFList(TGIFPictureCore* image) : image(image) {}
    TGIFList(const TGIFList&) = delete;
    TGIFList& operator=(const TGIFList&) = delete;

    TGIFPictureCore* Image() const { return image; }
    int Count() const { return static_cast<int>(items.size()); }
    bool Empty() const { return items.empty(); }
    T& operator[](int index) const { return *items[static_cast<size_t>(index)]; }
    T* Add(std::unique_ptr<T> item)
    {
        items.push_back(std::move(item));
        return items.back().get();
    }
    void Delete(int index) { items.erase(items.begin() + index); }
    void Clear()
    {
        // Destroy from the back, one at a time: an item's destructor may look at the list.
        while (!items.empty()) items.pop_back();
    }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }

    void Warn(int severity, const std::string& message) const;

protected:
    void SetImage(TGIFPictureCore* value) { image = value; }

private:
    TGIFPictureCore* image;
    std::vector<std::unique_ptr<T>> items;
};

// Calls the picture's OnWarn, if any (defined with the picture's core, gifheader.cpp).
void WarnImage(const TGIFPictureCore* image, const TGIFPersistent* sender, int severity, const std::string& message);

template <class T>
void TGIFList<T>::Warn(int severity, const std::string& message) const
{
    WarnImage(image, this, severity, message);
}

// Reads exactly count bytes or raises "Premature end of data".
void ReadExact(TStream& stream, void* buffer, size_t count);
// One byte that must be there ("Premature end of data" otherwise).
uint8_t ReadByte(TStream& stream);
// One byte, or -1 at the end of the data: where the format allows the data to stop.
inline int TryReadByte(TStream& stream)
{
    uint8_t b;
    return stream.Read(&b, 1) == 1 ? b : -1;
}
// Data sub-blocks up to the zero-length one (or the end of the data), one string each,
// every string cut at its first zero byte.
void ReadTextBlocks(TStream& stream, std::vector<std::string>& lines);

inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace galimo
