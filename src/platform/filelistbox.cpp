#include "platform/filelistbox.h"

#include "platform/exceptions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace galimo {

TFileListBox::TFileListBox(QWidget* parent) : QWidget(parent), directory(QDir::currentPath()) {}

namespace {
bool Before(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;  // a fixed order for names that differ only by case
}

// Changes the process's current folder, reporting the system's code on failure.
void ChangeDir(const QString& path)
{
    if (::chdir(QFile::encodeName(path).constData()) != 0) {
        const int code = errno;
        throw EInOutError("Erreur E/S " + std::to_string(code), code);
    }
}
}  // namespace

int TFileListBox::SortedPosition(const QStringList& list, const QString& name)
{
    return static_cast<int>(std::upper_bound(list.begin(), list.end(), name, Before) - list.begin());
}

void TFileListBox::SetDirectory(const QString& path)
{
    // The album's folder: a name that is not an existing folder fails to be entered below.
    const QString folder = QFileInfo(path).absoluteFilePath();
    if (filled && QString::compare(QDir::cleanPath(folder), QDir::cleanPath(directory), Qt::CaseInsensitive) == 0) return;
    ChangeDir(folder);
    directory = QDir::currentPath();  // spelled as the file system reports it
    Refill();
}

void TFileListBox::Refill()
{
    ChangeDir(directory);
    items.clear();
    filled = true;
    bool busy = false;
    struct CursorRestore {
        bool& busy;
        ~CursorRestore()
        {
            if (busy) QApplication::restoreOverrideCursor();
        }
    } restore{busy};

    const QDir dir(directory);
    for (const QString& one : mask_.split(';', Qt::SkipEmptyParts)) {
        // Ordinary files only: no folders, no hidden files (a leading "."), nothing special.
        const QStringList found = dir.entryList({one.trimmed()}, QDir::Files | QDir::Readable, QDir::Unsorted);
        for (const QString& name : found) {
            if (items.contains(name)) continue;  // a name two masks both match
            const int at = SortedPosition(items, name);
            items.insert(at, name);
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

const QStringList& TFileListBox::Items()
{
    EnsureFilled();
    return items;
}

}  // namespace galimo
