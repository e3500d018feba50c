// The one application object of the test programs.
#pragma once

#include <QApplication>

namespace galimo::test {

// Made on first use, not in main, so that a test can see the program before there is one;
// never destroyed: widgets and statics may outlive any order of static destruction.
// Offscreen unless the environment says otherwise.
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "galimo-test";
    static char* argv[] = {name, nullptr};
    static QApplication& app = *new QApplication(argc, argv);
    return app;
}

}  // namespace galimo::test
