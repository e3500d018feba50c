// TFileListBox: the hidden list of an album's picture files: a folder, masks, and the
// ordinary files matching them, sorted alphabetically without regard to case. Names are
// kept as the file system's bytes (Raw...) beside the text they show as.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>

namespace galimo {

class TFileListBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString mask READ Mask WRITE SetMask)
    Q_PROPERTY(int itemHeight READ ItemHeight WRITE SetItemHeight)
public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // "*.BMP;*.GIF;*.JPG": the masks, tried in order.
    void SetMask(const QString& mask) { mask_ = mask; }
    const QString& Mask() const { return mask_; }
    // The row height of the list; it has no rows on show, being hidden.
    void SetItemHeight(int value) { itemHeight = value; }
    int ItemHeight() const { return itemHeight; }

    // Points the list at a folder: when it differs from the present one the process's
    // current folder changes to it and stays there, and the list is refilled. A folder
    // that cannot be entered raises EInOutError.
    void SetDirectory(const QByteArray& path);
    void SetDirectory(const QString& path);
    QString Directory() const;
    const QByteArray& RawDirectory() const { return directory; }

    int Count();
    // The name as shown, and the bytes to open it by.
    QString Item(int index);
    QByteArray RawItem(int index);
    // The file's whole path as the file system spells it: the list's folder and the name.
    std::string Path(int index);
    const QStringList& Items();

    // Re-reads the folder (also done the first time the items are asked for).
    void Refill();

private:
    void EnsureFilled();

    QString mask_ = "*.*";
    int itemHeight = 13;
    QByteArray directory;
    QStringList items;
    QList<QByteArray> raw;
    bool filled = false;
};

}  // namespace galimo
