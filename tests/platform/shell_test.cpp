#include "platform/core/shell.h"
#include "../common/testapp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <gtest/gtest.h>

using namespace galimo;

namespace {
QApplication& App() { return galimo::test::TestApp(); }
}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QStringList urls;
public slots:
    void Open(const QUrl& url) { urls << url.toString(); }
};

TEST(Shell, TheDesktopsOwnHandsTheAddressToTheHandlerForItsScheme)
{
    App();
    ASSERT_NE(dynamic_cast<QtShell*>(&Shell()), nullptr);
    UrlCatcher mail;
    QDesktopServices::setUrlHandler("mailto", &mail, "Open");
    Shell().Open(nullptr, "mailto:auteur@example.org ?subject=Logiciel GALIMO");
    QDesktopServices::unsetUrlHandler("mailto");
    EXPECT_EQ(mail.urls, QStringList{"mailto:auteur@example.org ?subject=Logiciel GALIMO"});
}

#include "shell_test.moc"
