#include "platform/files/filenames.h"

#include "platform/core/exceptions.h"
#include "platform/files/textfile.h"

#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace galimo {

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char32_t kWestern80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t Western(uint8_t b)
{
    if (b >= 0x80 && b < 0xA0) return kWestern80[b - 0x80] ? kWestern80[b - 0x80] : 0xFFFD;
    return b;
}

// Length of the well-formed UTF-8 sequence at s (overlong forms, surrogates and values
// past U+10FFFF are not), or 0; its code point in cp.
size_t Utf8Sequence(std::string_view s, char32_t& cp)
{
    const auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07, min = 0x10000;
    else return 0;
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string FileNameToUtf8(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    while (!raw.empty()) {
        char32_t cp = 0;
        size_t n = Utf8Sequence(raw, cp);
        if (n == 0) {
            cp = Western(static_cast<uint8_t>(raw[0]));
            n = 1;
        }
        AppendUtf8(out, cp);
        raw.remove_prefix(n);
    }
    return out;
}

QString DisplayName(const QByteArray& raw)
{
    return QString::fromStdString(FileNameToUtf8(std::string_view(raw.constData(), static_cast<size_t>(raw.size()))));
}

std::vector<TFolderEntry> ReadFolder(const QByteArray& path)
{
    DIR* dir = ::opendir(path.isEmpty() ? "." : path.constData());
    if (!dir) RaiseInOutError(InOutCode(errno, false));
    std::vector<TFolderEntry> entries;
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        TFolderEntry entry{QByteArray(e->d_name), TEntryKind::Other};
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0) {
            if (S_ISDIR(st.st_mode)) entry.Kind = TEntryKind::Folder;
            else if (S_ISREG(st.st_mode)) entry.Kind = TEntryKind::File;
        } else if (e->d_type == DT_REG) {
            entry.Kind = TEntryKind::File;  // listed: loading it reports what is wrong
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    const int code = errno;
    ::closedir(dir);
    if (code != 0) RaiseInOutError(InOutCode(code, false));
    return entries;
}

QByteArray CurrentFolderBytes()
{
    std::string buffer(4096, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) RaiseInOutError(InOutCode(errno, false));
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.c_str());
}

QByteArray StartFolderFromCurrent()
{
    QByteArray folder = CurrentFolderBytes();
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

bool MatchesMask(std::string_view name, std::string_view mask)
{
    if (mask == "*.*") return true;  // every name, with a dot or without, as on old media
    // Iterative glob with one backtrack point: linear enough for file names.
    size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || FoldAscii(mask[m]) == FoldAscii(name[n]))) {
            ++n, ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace galimo
