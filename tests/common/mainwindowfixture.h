// A main window started in a temporary medium, as the program starts from a medium's
// root, with a fake display and a recording message box in force.
#pragma once

#include "fakes.h"
#include "replacement.h"
#include "testapp.h"

#include "browser/depart.h"
#include "picture/image.h"
#include "platform/display/changeres.h"
#include "platform/widgets/formprops.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace galimo::test {

class MainWindowFixture : public ::testing::Test {
protected:
    static QApplication& App()
    {
        QApplication& app = TestApp();
        static bool once = [] {
            InstallFontSubstitutions();
            return true;
        }();
        (void)once;
        return app;
    }
    void SetUp() override
    {
        App();
        saved = QDir::currentPath();
        ASSERT_TRUE(medium.isValid());
        root = QDir(medium.path());
    }
    void TearDown() override
    {
        window.reset();
        QDir::setCurrent(saved);
    }
    // Puts a screen of the given size in force, in place of any before.
    TFakeDisplaySettings& Display(int screenW, int screenH, int bits = 32)
    {
        displayInForce.reset();
        display = std::make_unique<TFakeDisplaySettings>(screenW, screenH, bits);
        displayInForce = std::make_unique<TScopedReplacement<IDisplaySettings>>(*display);
        return *display;
    }
    // Creates the main window in the medium with a screen of the given size.
    TDepart& Start(int screenW = 1024, int screenH = 768)
    {
        Display(screenW, screenH);
        QDir::setCurrent(medium.path());
        InitChangeRes();
        window = std::make_unique<TDepart>();
        return *window;
    }
    // Shows it and waits for the first paint to have filled the album list and the strip.
    // Hidden after that paint, the window paints no more: Qt paints a scroll bar with its
    // own thread pool, whose hand-overs a thread checker cannot see.
    void ShowAndPaint(bool thenHide = false)
    {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(!window->FirstPaint());
        if (thenHide) window->hide();
        Filled();
    }
    // Waits for the strip of the album just opened to be made.
    void Filled() { QTRY_VERIFY_WITH_TIMEOUT(!window->StripFilling(), 30000); }
    QWidget* Child(const char* name) { return window->findChild<QWidget*>(name); }
    void Album(const QString& name) { ASSERT_TRUE(root.mkpath(name)); }
    TImage* Thumb(int n) { return window->findChild<TImage*>(QString("VIG%1").arg(n)); }

    QTemporaryDir medium;
    QDir root;
    QString saved;
    TRecordingMessageBox box;
    TScopedReplacement<IMessageBox> boxInForce{box};
    std::unique_ptr<TFakeDisplaySettings> display;
    std::unique_ptr<TScopedReplacement<IDisplaySettings>> displayInForce;
    std::unique_ptr<TDepart> window;
};

}  // namespace galimo::test
