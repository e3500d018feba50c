#include "platform/widgets/filelistbox.h"

#include "platform/core/exceptions.h"
#include "platform/files/filenames.h"
#include "platform/files/textfile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <unistd.h>

namespace galimo {

namespace {
// Where the list starts: the current folder, or nothing when it no longer exists (the
// first refill then reports it).
QByteArray StartingFolder()
{
    try {
        return CurrentFolderBytes();
    } catch (const EInOutError&) {
        return {};
    }
}
}  // namespace

TFileListBox::TFileListBox(QWidget* parent) : QWidget(parent), directory(StartingFolder()) {}

namespace {
// Alphabetical without regard to case, as people read a list of photos; names that differ
// only by case are two files on this file system, kept in a fixed order by their bytes.
int Compare(const QString& a, const QByteArray& rawA, const QString& b, const QByteArray& rawB)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0) return c;
    const int exact = QString::compare(a, b, Qt::CaseSensitive);
    return exact != 0 ? exact : rawA.compare(rawB);
}

// Changes the process's current folder, reporting the system's code on failure.
void ChangeDir(const QByteArray& path)
{
    if (::chdir(path.constData()) != 0) RaiseInOutError(InOutCode(errno, false));
}

// Path arithmetic on bytes: Latin-1 maps every byte to one character and back.
QByteArray CleanPath(const QByteArray& path) { return QDir::cleanPath(QString::fromLatin1(path)).toLatin1(); }
}  // namespace

QString TFileListBox::Directory() const { return DisplayName(directory); }

std::string TFileListBox::Path(int index) { return (directory + '/' + RawItem(index)).toStdString(); }

void TFileListBox::SetDirectory(const QString& path) { SetDirectory(QFile::encodeName(path)); }

void TFileListBox::SetDirectory(const QByteArray& path)
{
    // The album's folder: a name that is not an existing folder fails to be entered below.
    const QByteArray folder = path.startsWith('/') ? path : CurrentFolderBytes() + '/' + path;
    // Compared as this file system compares names, byte for byte: "Noel" and "noel" are
    // two albums here, where a case-blind system would have one.
    if (filled && CleanPath(folder) == CleanPath(directory)) return;
    ChangeDir(folder);
    directory = CurrentFolderBytes();  // spelled as the file system reports it
    Refill();
}

void TFileListBox::Refill()
{
    ChangeDir(directory);
    items.clear();
    raw.clear();
    filled = true;
    bool busy = false;
    struct CursorRestore {
        bool& busy;
        ~CursorRestore()
        {
            if (busy) QApplication::restoreOverrideCursor();
        }
    } restore{busy};

    const std::vector<TFolderEntry> entries = ReadFolder(".");
    for (const QString& one : mask_.split(';', Qt::SkipEmptyParts)) {
        const std::string mask = one.trimmed().toStdString();
        for (const TFolderEntry& e : entries) {
            // Ordinary files only: no folders, no hidden files (a leading "."), nothing
            // special. A file we may not read is listed: loading it says why it fails.
            if (e.Kind != TEntryKind::File || e.Name.startsWith('.')) continue;
            if (!MatchesMask(std::string_view(e.Name.constData(), static_cast<size_t>(e.Name.size())), mask)) continue;
            if (raw.contains(e.Name)) continue;  // a name two masks both match
            const QString shown = DisplayName(e.Name);
            qsizetype at = 0, end = items.size();  // after every name that sorts before or equal
            while (at < end) {
                const qsizetype mid = at + (end - at) / 2;
                if (Compare(items[mid], raw[mid], shown, e.Name) <= 0) at = mid + 1;
                else end = mid;
            }
            items.insert(at, shown);
            raw.insert(at, e.Name);
            if (at == 100 && !busy) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                busy = true;
            }
        }
    }
}

void TFileListBox::EnsureFilled()
{
    if (!filled) Refill();
}

int TFileListBox::Count()
{
    EnsureFilled();
    return static_cast<int>(items.size());
}

QString TFileListBox::Item(int index)
{
    EnsureFilled();
    return items.value(index);
}

QByteArray TFileListBox::RawItem(int index)
{
    EnsureFilled();
    return raw.value(index);
}

const QStringList& TFileListBox::Items()
{
    EnsureFilled();
    return items;
}

}  // namespace galimo
