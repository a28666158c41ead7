#include "core/programfolder.h"

#include <QCoreApplication>

namespace kelto {

namespace {
QString g_programFolder;
}

QString ProgramFolder()
{
    return g_programFolder;
}

void SetProgramFolder(const QString& folder)
{
    g_programFolder = folder;
    if (!g_programFolder.isEmpty() && !g_programFolder.endsWith(QLatin1Char('/')))
        g_programFolder += QLatin1Char('/');
}

QString ExecutableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace kelto
