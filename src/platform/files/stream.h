// Byte streams that pictures read themselves from. No Qt here: the GIF and JPEG readers
// depend only on this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace galimo {

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual int64_t Position() const = 0;
    // Moves to an absolute position, clamped to [0, Size()].
    virtual void SetPosition(int64_t position) = 0;
    virtual int64_t Size() const = 0;
    // Appends count bytes at the position (streams that can be written).
    virtual void Write(const void* buffer, size_t count);

    void Skip(int64_t count) { SetPosition(Position() + count); }
    int64_t Remaining() const { return Size() - Position(); }
};

// A stream over bytes in memory; it either owns them or reads a caller's span.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : owned(std::move(bytes)), data(owned.data()), size(owned.size()) {}
    TMemoryStream(const uint8_t* bytes, size_t count) : data(bytes), size(count) {}

    size_t Read(void* buffer, size_t count) override;
    int64_t Position() const override { return static_cast<int64_t>(pos); }
    void SetPosition(int64_t position) override;
    int64_t Size() const override { return static_cast<int64_t>(size); }
    void Write(const void* buffer, size_t count) override;

    const uint8_t* Data() const { return data; }

private:
    std::vector<uint8_t> owned;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

// A read-only file stream, buffered so that small reads cost no system call each.
class TFileStream : public TStream {
public:
    // Opens by the name's bytes as the file system has them. Raises EFOpenError
    // "Impossible d'ouvrir le fichier %s" with the name as passed, as it shows. A read of at
    // least `buffer` bytes goes to the system as it is.
    explicit TFileStream(const std::string& fileName, size_t buffer = 64 * 1024);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    int64_t Position() const override;
    void SetPosition(int64_t position) override;
    int64_t Size() const override { return size; }

private:
    std::FILE* file = nullptr;
    int64_t size = 0;
};

}  // namespace galimo
