#include "gui/report.h"
#include "core/programfolder.h"
#include "gui/designfont.h"
#include "app/tfabout.h"
#include "app/tfmain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("kelto"));
    app.setApplicationDisplayName(QString());
    app.setQuitOnLastWindowClosed(true);
    kelto::InstallBundledFonts(kelto::ExecutableFolder());

    kelto::TfMain fMain;
    if (!fMain.FormCreate())
        return 0;
    kelto::TfAbout fAbout(&fMain);
    fMain.setAbout(&fAbout);
    fMain.show();
    return app.exec();
}
