// libFuzzer harness of the names a medium gives us: the shown text must be well-formed
// UTF-8, and a name that already is UTF-8 must show unchanged. The first byte splits the
// rest into a mask and a name for the mask matcher.
#include "platform/files/filenames.h"

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string shown = galimo::FileNameToUtf8(raw);
    const QString decoded = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
    if (decoded.toStdString() != shown) std::abort();  // Qt would have replaced a bad sequence
    const QString asUtf8 = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    if (asUtf8.toStdString() == raw && shown != raw) std::abort();
    if (size > 0) {
        const size_t split = std::min<size_t>(data[0], size - 1);
        (void)galimo::MatchesMask(raw.substr(1 + split), raw.substr(1, split));
    }
    return 0;
}
