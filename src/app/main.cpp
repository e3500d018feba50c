// The main block: module start-up, the three windows in their order, the event loop,
// module shutdown.
#include "about/fap.h"
#include "about/fperso.h"
#include "platform/changeres.h"
#include "app/modules.h"
#include "browser/depart.h"
#include "platform/errorhandler.h"
#include "platform/formprops.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The interface is French, the toolkit's own dialogs (printing, message boxes) too.
    QTranslator toolkitFrench;
    if (toolkitFrench.load(QLocale(QLocale::French, QLocale::France), "qtbase", "_",
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitFrench);
    galimo::StartModules();
    galimo::InstallFontSubstitutions();
    galimo::SetApplicationTitle("Galimo");
    QApplication::setApplicationName("Galimo");
    QApplication::setApplicationDisplayName("Galimo");
    QApplication::setWindowIcon(QIcon(":/galimo.ico"));
    QApplication::setQuitOnLastWindowClosed(false);

    int result = 0;
    {
        galimo::TDepart depart;
        galimo::TFap fap(&depart);
        galimo::TFperso fperso(&fap);
        fap.Fperso = &fperso;
        depart.ShowAbout = [&fap] { fap.exec(); };
        depart.setWindowTitle("Galimo");
        QObject::connect(&depart, &galimo::TDepart::destroyed, &app, &QApplication::quit);
        depart.setAttribute(Qt::WA_QuitOnClose, true);
        QApplication::setQuitOnLastWindowClosed(true);
        depart.show();
        result = QApplication::exec();
    }
    galimo::StopModules();
    return result;
}
