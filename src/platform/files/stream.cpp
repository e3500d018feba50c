#include "platform/files/stream.h"

#include "platform/core/exceptions.h"
#include "platform/files/filenames.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace galimo {

void TStream::Write(const void*, size_t) { throw EInOutError("Flux en lecture seule", 5); }

size_t TMemoryStream::Read(void* buffer, size_t count)
{
    const size_t n = std::min(count, size - pos);
    // Readers of small records read byte by byte as often as not: no call for those.
    if (n == 1)
        *static_cast<uint8_t*>(buffer) = data[pos];
    else if (n)
        std::memcpy(buffer, data + pos, n);
    pos += n;
    return n;
}

void TMemoryStream::SetPosition(int64_t position)
{
    pos = static_cast<size_t>(std::clamp<int64_t>(position, 0, static_cast<int64_t>(size)));
}

void TMemoryStream::Write(const void* buffer, size_t count)
{
    if (data != owned.data()) {  // a borrowed span becomes our own copy before it changes
        owned.assign(data, data + size);
    }
    if (pos + count > owned.size()) owned.resize(pos + count);
    if (count) std::memcpy(owned.data() + pos, buffer, count);
    data = owned.data();
    size = owned.size();
    pos += count;
}

TFileStream::TFileStream(const std::string& fileName, size_t buffer)
{
    file = std::fopen(fileName.c_str(), "rb");
    struct stat st {};
    if (file && (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode))) {
        std::fclose(file);
        file = nullptr;
    }
    if (!file) throw EFOpenError("Impossible d'ouvrir le fichier " + FileNameToUtf8(fileName));
    size = static_cast<int64_t>(st.st_size);
    std::setvbuf(file, nullptr, _IOFBF, buffer);
}

TFileStream::~TFileStream()
{
    if (file) std::fclose(file);
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    const size_t n = std::fread(buffer, 1, count, file);
    if (n < count && std::ferror(file)) throw EInOutError("Erreur de lecture", 30);
    return n;
}

int64_t TFileStream::Position() const { return static_cast<int64_t>(std::ftell(file)); }

void TFileStream::SetPosition(int64_t position)
{
    std::fseek(file, static_cast<long>(std::clamp<int64_t>(position, 0, size)), SEEK_SET);
}

}  // namespace galimo
