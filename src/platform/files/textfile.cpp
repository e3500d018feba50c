#include "platform/files/textfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace galimo {

namespace {

constexpr size_t BufferSize = 4096;
constexpr char CtrlZ = 26;

// 0x80..0x9F; 0 where the code page defines nothing.
constexpr char16_t High1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

[[noreturn]] void RaiseErrno(bool writing) { RaiseInOutError(InOutCode(errno, writing)); }

}  // namespace

int InOutCode(int systemError, bool writing)
{
    switch (systemError) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL:
    case ELOOP: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY: return 5;
    case ENOSPC:
    case EDQUOT: return 101;
    }
    // A number that would read as one of the codes above, or the plain failure of the
    // medium, is a read or write fault.
    if (systemError == EIO || systemError == 100 || systemError == 101 || systemError == 106 || systemError <= 5)
        return writing ? 29 : 30;
    return systemError;
}

std::string InOutMessage(int code)
{
    switch (code) {
    case 2: return "Fichier introuvable";
    case 3: return "Nom de fichier incorrect";
    case 4: return "Trop de fichiers ouverts";
    case 5: return "Accès au fichier refusé";
    case 100: return "Lecture au-delà de la fin de fichier";
    case 101: return "Disque plein";
    case 106: return "Saisie numérique incorrecte";
    }
    return "Erreur E/S " + std::to_string(code);
}

void RaiseInOutError(int code) { throw EInOutError(InOutMessage(code), code); }

QString DecodeWindows1252(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t high = b >= 0x80 && b < 0xA0 ? High1252[b - 0x80] : 0;
        out += QChar(high ? high : char16_t(b));
    }
    return out;
}

std::string EncodeWindows1252(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += '?';
            ++i;
            continue;
        }
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out += static_cast<char>(u);
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            // The undefined bytes come back as the controls they were read as.
            if (High1252[k] ? High1252[k] == u : u == 0x80 + k) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

TTextFile::~TTextFile()
{
    if (mode == Mode::Reading) ::close(fd);
    if (mode == Mode::Writing) Discard();
}

void TTextFile::Reset(const std::string& fileName)
{
    if (mode != Mode::Closed) Close();
    const int f = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (f < 0) RaiseErrno(false);
    fd = f;
    name = fileName;
    buffer.clear();
    pos = 0;
    mode = Mode::Reading;
}

void TTextFile::Rewrite(const std::string& fileName)
{
    if (mode != Mode::Closed) Close();
    // A file marked read-only stays so, though its folder would let it be replaced.
    if (::access(fileName.c_str(), W_OK) != 0 && errno != ENOENT) RaiseErrno(true);
    // The file's own folder holds the new content, so the final rename stays on one medium.
    for (int attempt = 0;; ++attempt) {
        std::string candidate = fileName + ".~" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int f = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f >= 0) {
            fd = f;
            tempName = std::move(candidate);
            break;
        }
        if (errno != EEXIST || attempt == 99) RaiseErrno(true);
    }
    name = fileName;
    buffer.clear();
    mode = Mode::Writing;
}

int TTextFile::Peek()
{
    if (pos < buffer.size()) return static_cast<unsigned char>(buffer[pos]);
    buffer.resize(BufferSize);
    ssize_t n;
    do {
        n = ::read(fd, buffer.data(), BufferSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        buffer.clear();
        RaiseErrno(false);
    }
    buffer.resize(static_cast<size_t>(n));
    pos = 0;
    return n == 0 ? -1 : static_cast<unsigned char>(buffer[0]);
}

bool TTextFile::Eof()
{
    if (mode != Mode::Reading) RaiseInOutError(103);
    const int c = Peek();
    return c < 0 || c == CtrlZ;
}

std::string TTextFile::ReadLn()
{
    if (mode != Mode::Reading) RaiseInOutError(103);
    std::string line;
    for (;;) {
        const int c = Peek();
        if (c < 0 || c == CtrlZ) return line;  // a Ctrl-Z stays: the file ends there
        ++pos;
        if (c == '\r') {
            if (Peek() == '\n') ++pos;
            return line;
        }
        line += static_cast<char>(c);
    }
}

void TTextFile::WriteLn(std::string_view line)
{
    if (mode != Mode::Writing) RaiseInOutError(103);
    buffer.append(line);
    buffer += "\r\n";
    if (buffer.size() >= BufferSize) Flush();
}

void TTextFile::Flush()
{
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            const int error = errno;
            Discard();
            RaiseInOutError(InOutCode(error, true));
        }
        done += static_cast<size_t>(n);
    }
    buffer.clear();
}

void TTextFile::Close()
{
    if (mode == Mode::Closed) RaiseInOutError(103);
    if (mode == Mode::Reading) {
        mode = Mode::Closed;
        const int f = fd;
        fd = -1;
        if (::close(f) != 0) RaiseErrno(false);
        return;
    }
    Flush();
    // On the medium before it replaces anything: a pulled medium must not keep an empty file.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        Discard();
        RaiseInOutError(InOutCode(error, true));
    }
    const int f = fd;
    fd = -1;
    if (::close(f) != 0 || ::rename(tempName.c_str(), name.c_str()) != 0) {
        const int error = errno;
        Discard();
        RaiseInOutError(InOutCode(error, true));
    }
    tempName.clear();
    mode = Mode::Closed;
}

void TTextFile::Discard() noexcept
{
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!tempName.empty()) ::unlink(tempName.c_str());
    tempName.clear();
    buffer.clear();
    mode = Mode::Closed;
}

}  // namespace galimo
