// TFileListBox: the hidden list of an album's picture files: a folder, masks, and the
// ordinary files matching them, sorted alphabetically without regard to case.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace galimo {

class TFileListBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString mask READ Mask WRITE SetMask)
public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // "*.BMP;*.GIF;*.JPG": the masks, tried in order.
    void SetMask(const QString& mask) { mask_ = mask; }
    const QString& Mask() const { return mask_; }

    // Points the list at a folder: when it differs from the present one (without regard
    // to case) the process's current folder changes to it and stays there, and the list
    // is refilled. A folder that cannot be entered raises EInOutError.
    void SetDirectory(const QString& path);
    const QString& Directory() const { return directory; }

    int Count();
    QString Item(int index);
    const QStringList& Items();

    // Re-reads the folder (also done the first time the items are asked for).
    void Refill();

    // The sorted position a name takes among names (exposed for tests).
    static int SortedPosition(const QStringList& items, const QString& name);

private:
    void EnsureFilled();

    QString mask_ = "*.*";
    QString directory;
    QStringList items;
    bool filled = false;
};

}  // namespace galimo
