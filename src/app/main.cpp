// The main block: module start-up, the three windows in their order, the event loop,
// module shutdown.
#include "about/fap.h"
#include "about/fperso.h"
#include "app/modules.h"
#include "browser/depart.h"
#include "platform/display/changeres.h"
#include "platform/core/errorhandler.h"
#include "platform/core/memory.h"
#include "platform/widgets/formprops.h"
#include "platform/display/modal.h"
#include "platform/display/screenplan.h"
#include "platform/display/singleinstance.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// A medium carries its own fonts beside the program (the visitor's desktop may have none
// of the faces the forms name); a build run from its folder has none and uses the system's.
void AddOwnFonts()
{
    const QDir fonts(QCoreApplication::applicationDirPath() + "/fonts");
    for (const QString& name : fonts.entryList({"*.ttf", "*.otf"}, QDir::Files))
        QFontDatabase::addApplicationFont(fonts.filePath(name));
}

}  // namespace

int main(int argc, char* argv[])
{
    galimo::KeepPictureBlocksForReuse();
    // How the screen is held is decided before Qt draws anything: the scale it draws at is
    // read when the application object is made.
    galimo::DecideScreenPlan(argc, argv);
    QApplication app(argc, argv);
    galimo::RestoreSessionEnvironment();
    // A second start on this display brings the running Galimo forward and ends here, before
    // it records or switches anything.
    galimo::TSingleInstance single;
    if (!single.Claim()) return single.SecondStartCode();
    // The interface is French, the toolkit's own dialogs (printing, message boxes) too.
    QTranslator toolkitFrench;
    if (toolkitFrench.load(QLocale(QLocale::French, QLocale::France), "qtbase", "_",
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitFrench);
    galimo::StartModules();
    AddOwnFonts();
    galimo::InstallFontSubstitutions();
    galimo::SetApplicationTitle("Galimo");
    QApplication::setApplicationName("Galimo");
    QApplication::setApplicationDisplayName("Galimo");
    QApplication::setWindowIcon(QIcon(":/galimo.ico"));
    QApplication::setQuitOnLastWindowClosed(false);

    int result = 0;
    try {
        galimo::TDepart depart;
        galimo::TFap fap(&depart);
        galimo::TFperso fperso(&fap);
        fap.Fperso = &fperso;
        depart.ShowAbout = [&fap] { galimo::ExecModal(fap); };
        depart.setWindowTitle("Galimo");
        QObject::connect(&single, &galimo::TSingleInstance::Wanted, &depart, [&depart] {
            depart.setWindowState(depart.windowState() & ~Qt::WindowMinimized);
            depart.show();
            depart.raise();
            depart.activateWindow();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->raise();
                modal->activateWindow();
            }
        });
        depart.setAttribute(Qt::WA_QuitOnClose, true);
        QApplication::setQuitOnLastWindowClosed(true);
        depart.show();
        result = QApplication::exec();
    } catch (...) {
        // A window that cannot be made (its start folder gone): the box, the display back, an end.
        galimo::HandleCurrentException();
        galimo::RestoreDisplayMode();
        result = 1;
    }
    galimo::StopModules();
    return result;
}
