#include "gui/report.h"
#include "core/programfolder.h"
#include "gui/designfont.h"
#include "app/tfabout.h"
#include "app/tfmain.h"
#include "app/platform.h"
#include "app/translations.h"
#include "core/termination.h"

#include <QApplication>

int main(int argc, char** argv)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", kelto::PlatformWithFallback(platform));
    QApplication app(argc, argv);
    kelto::SetRussianLocale();
    app.setApplicationName(QStringLiteral("kelto"));
    app.setApplicationDisplayName(QString());
    app.setQuitOnLastWindowClosed(true);
    kelto::InstallBundledFonts(kelto::ExecutableFolder());
    kelto::InstallQtTranslations(kelto::ExecutableFolder());

    kelto::TfMain fMain;
    if (!fMain.ClaimSingleInstance())
        return 0;
    // A termination signal saves and ends as a close does.
    kelto::TTerminationWatch termination;
    QObject::connect(&termination, &kelto::TTerminationWatch::requested, &fMain, &kelto::TfMain::EndWithoutQuestions);
    kelto::TfAbout fAbout(&fMain);
    fMain.SetAbout(&fAbout);
    fMain.show();
    // A signal while a start-up box was open: the notes are saved already.
    if (fMain.EndRequested())
        return 0;
    return app.exec();
}
