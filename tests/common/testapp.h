// The one application object of the test programs.
#pragma once

#include <QApplication>
#include <QTextDocumentFragment>

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

// What a person reads in a label or a hint: Qt takes what looks like markup as markup.
inline QString Seen(const QString& text, Qt::TextFormat format = Qt::AutoText)
{
    const bool markup = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    return markup ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

}  // namespace galimo::test
