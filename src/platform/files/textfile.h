// TTextFile: a text file read by lines and written with CR LF, as the media this program
// reads carry them. Every operation is checked; a failure raises EInOutError with the
// code and French message the user knows from such media.
#pragma once

#include "platform/core/exceptions.h"

#include <QString>
#include <string>
#include <string_view>

namespace galimo {

// The code a system error number stands for: 2 no such file, 3 bad name, 4 too many
// open files, 5 access denied or read-only medium, 101 disk full, 29/30 write/read
// fault; any other number is kept as it is.
int InOutCode(int systemError, bool writing);
// "Fichier introuvable", ..., "Erreur E/S %d": the wording of every input/output error.
std::string InOutMessage(int code);
[[noreturn]] void RaiseInOutError(int code);

// Windows-1252 both ways. Bytes the code page leaves undefined read as the C1 control of
// the same value; what does not fit is written as "?" (one per character, not per unit).
QString DecodeWindows1252(std::string_view bytes);
std::string EncodeWindows1252(const QString& text);

class TTextFile {
public:
    TTextFile() = default;
    // An unfinished write is dropped: the named file stays as it was.
    ~TTextFile();
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    // Opens for reading.
    void Reset(const std::string& fileName);
    // Opens for writing. The lines go to a new file beside the named one, which takes
    // its place only when Close has written and closed it all: a write that fails half
    // way leaves the old file whole and no stray file behind.
    void Rewrite(const std::string& fileName);
    // True at the end of the bytes or at a Ctrl-Z.
    bool Eof();
    // The bytes up to the next CR (an LF right after it belongs to the break), Ctrl-Z or
    // end. A lone LF is an ordinary character.
    std::string ReadLn();
    void WriteLn(std::string_view line);
    void Close();

private:
    enum class Mode { Closed, Reading, Writing };
    int Peek();  // next byte or -1 at the end; refills the buffer
    void Flush();
    void Discard() noexcept;

    Mode mode = Mode::Closed;
    int fd = -1;
    std::string name, tempName;
    std::string buffer;
    size_t pos = 0;
};

}  // namespace galimo
