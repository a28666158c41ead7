#include "gui/report.h"
#include "core/programfolder.h"
#include "gui/designfont.h"
#include "gui/qtdialogs.h"
#include "app/tfabout.h"
#include "app/tfmain.h"
#include "app/platform.h"
#include "app/translations.h"
#include "app/settingsfile.h"
#include "skin/view/plugin.h"
#include "core/termination.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", kelto::PlatformWithFallback(platform));
    // The system's font configuration is read on the second core while the
    // application connects to the display.
    kelto::TFontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    kelto::SetRussianLocale();
    app.setApplicationName(QStringLiteral("kelto"));
    app.setApplicationDisplayName(QString());
    app.setQuitOnLastWindowClosed(true);
    // The remembered plug-in's pictures decode on the second core while the
    // fonts are read and the window is built.
    kelto::SetProgramFolder(kelto::ExecutableFolder());
    auto pictures = std::make_unique<kelto::TPicturePrefetch>(kelto::RememberedPluginPath());
    kelto::InstallBundledFonts(kelto::ExecutableFolder());
    kelto::InstallQtTranslations(kelto::ExecutableFolder());
    kelto::InstallQtDialogs(kelto::ExecutableFolder());

    kelto::TfMain fMain;
    if (!fMain.ClaimSingleInstance())
        return 0;
    // A termination signal saves and ends as a close does.
    kelto::TTerminationWatch termination;
    QObject::connect(&termination, &kelto::TTerminationWatch::requested, &fMain, &kelto::TfMain::EndWithoutQuestions);
    fMain.show();
    // Not seen at start: built while the window maps, with the plug-in's
    // picture still at hand.
    kelto::TfAbout fAbout(&fMain);
    fMain.SetAbout(&fAbout);
    // Start-up has applied the plug-in; a picture it did not take is dropped.
    pictures.reset();
    // A signal while a start-up box was open: the notes are saved already.
    if (fMain.EndRequested())
        return 0;
    return app.exec();
}
