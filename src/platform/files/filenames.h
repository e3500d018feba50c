// File names as the file system gives them: bytes. A medium written on another system need
// not hold UTF-8 names, so names are kept, compared and opened as bytes, and only their
// display is decoded. No Qt in the core functions: the stream layer uses them too.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace galimo {

// The UTF-8 text a name shows as: valid UTF-8 as it stands, every other byte read as
// Windows-1252 (what old Western media carry), so no name shows as a row of blanks.
std::string FileNameToUtf8(std::string_view raw);
QString DisplayName(const QByteArray& raw);

enum class TEntryKind { Folder, File, Other };

struct TFolderEntry {
    QByteArray Name;
    TEntryKind Kind = TEntryKind::Other;
};

// Every entry of a folder but "." and "..", in the file system's own order. Links count as
// what they lead to; one that leads nowhere, a FIFO, a socket or a device is Other. A
// folder that cannot be read raises EInOutError with the system's code.
std::vector<TFolderEntry> ReadFolder(const QByteArray& path);

// The process's current folder, as the bytes the system reports.
QByteArray CurrentFolderBytes();
// What a window takes as its start folder when it is created: the current folder as the
// file system spells it, ending in one "/".
QByteArray StartFolderFromCurrent();

// Whether a bare name matches a mask such as "*.JPG": "*" and "?" as wildcards, letters
// without regard to (ASCII) case, as the masks of old media were meant.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace galimo
