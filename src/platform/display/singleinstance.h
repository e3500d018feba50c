// One Galimo per user and display. The first start holds a name in the kernel's abstract
// socket namespace: it goes with the process however the process ends and leaves nothing on
// the host. A later start finds the name taken by its own user, asks the first to come to the
// front and ends before it has switched, recorded or started anything; it waits at most a
// second for the answer. Another user's holder is neither asked nor waited for.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace galimo {

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    TSingleInstance();
    ~TSingleInstance() override;

    // True when this process is now the display's one Galimo (or none can be told apart);
    // false when another holds the display, which has been asked to come forward.
    bool Claim();
    // After a Claim() that returned false: 0 when the first came forward, 1 when it did not
    // answer (a line on the standard error has said so).
    int SecondStartCode() const;

signals:
    // A later start on this display asked for this one.
    void Wanted();

private:
    void Accept();

    int listening = -1;
    QSocketNotifier* notifier = nullptr;
    bool silent = false;
};

}  // namespace galimo
